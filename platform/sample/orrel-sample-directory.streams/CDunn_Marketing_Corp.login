REM Login script of .CDunn.Marketing.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Marketing"
DRIVE H: = ORREL-FS1_DATA:\HOME\CDUNN
ECHO Welcome, Cyd Dunn.
