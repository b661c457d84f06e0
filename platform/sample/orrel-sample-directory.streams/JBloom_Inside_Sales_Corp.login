REM Login script of .JBloom.Inside.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Inside"
DRIVE H: = ORREL-FS1_DATA:\HOME\JBLOOM
ECHO Welcome, Joel Bloom.
