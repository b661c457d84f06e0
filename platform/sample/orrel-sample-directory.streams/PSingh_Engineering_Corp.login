REM Login script of .PSingh.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\PSINGH
ECHO Welcome, Priya Singh.
