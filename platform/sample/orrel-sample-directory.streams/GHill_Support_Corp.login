REM Login script of .GHill.Support.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Support"
DRIVE H: = ORREL-FS1_DATA:\HOME\GHILL
ECHO Welcome, Gus H. Hill.
