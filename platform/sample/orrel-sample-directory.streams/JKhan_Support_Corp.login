REM Login script of .JKhan.Support.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Support"
DRIVE H: = ORREL-FS1_DATA:\HOME\JKHAN
ECHO Welcome, Jana F. Khan.
