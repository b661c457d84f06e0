REM Login script of .DEaton.Marketing.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Marketing"
DRIVE H: = ORREL-FS1_DATA:\HOME\DEATON
ECHO Welcome, Dina Eaton.
