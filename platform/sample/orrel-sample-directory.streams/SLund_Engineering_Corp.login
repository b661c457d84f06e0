REM Login script of .SLund.Engineering.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Engineering"
DRIVE H: = ORREL-FS1_DATA:\HOME\SLUND
ECHO Welcome, Sven O. Lund.
