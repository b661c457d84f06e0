REM Login script of .Admin.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Corp"
DRIVE H: = ORREL-FS1_DATA:\HOME\ADMIN
ECHO Welcome, Ada M. Mint.
