REM Login script of .JDoe.Sales.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Sales"
DRIVE H: = ORREL-FS1_DATA:\HOME\JDOE
ECHO Welcome, John Q. Doe Jr..
