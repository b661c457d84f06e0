REM Login script of .TOkafor.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\TOKAFOR
ECHO Welcome, Tolu Okafor.
