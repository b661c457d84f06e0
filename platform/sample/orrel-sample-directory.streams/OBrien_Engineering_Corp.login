REM Login script of .OBrien.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\OBRIEN
ECHO Welcome, Owen D. Brien.
