REM Login script of .KAdams.Inside.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Inside"
DRIVE H: = ORREL-FS1_DATA:\HOME\KADAMS
ECHO Welcome, Kira S. Adams.
