REM Login script of .ABell.Marketing.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Marketing"
DRIVE H: = ORREL-FS1_DATA:\HOME\ABELL
ECHO Welcome, Abe Bell.
