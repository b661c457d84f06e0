REM Login script of .HIrwin.Support.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Support"
DRIVE H: = ORREL-FS1_DATA:\HOME\HIRWIN
ECHO Welcome, Hana Irwin.
