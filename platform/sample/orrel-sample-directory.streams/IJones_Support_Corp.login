REM Login script of .IJones.Support.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Support"
DRIVE H: = ORREL-FS1_DATA:\HOME\IJONES
ECHO Welcome, Ivo Jones.
