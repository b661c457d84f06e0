REM Login script of .NReyes.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\NREYES
ECHO Welcome, Nora Reyes.
