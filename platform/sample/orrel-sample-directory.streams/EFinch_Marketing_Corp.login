REM Login script of .EFinch.Marketing.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Marketing"
DRIVE H: = ORREL-FS1_DATA:\HOME\EFINCH
ECHO Welcome, Eli W. Finch.
