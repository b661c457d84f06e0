REM Login script of .Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\ENG
ECHO Welcome, engineer.
