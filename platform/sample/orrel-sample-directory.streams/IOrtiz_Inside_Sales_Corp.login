REM Login script of .IOrtiz.Inside.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Inside"
DRIVE H: = ORREL-FS1_DATA:\HOME\IORTIZ
ECHO Welcome, Ines C. Ortiz.
