REM Login script of .UBerg.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\UBERG
ECHO Welcome, Ulla K. Berg.
