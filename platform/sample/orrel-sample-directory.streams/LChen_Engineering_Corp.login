REM Login script of .LChen.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\LCHEN
ECHO Welcome, Lin Chen.
