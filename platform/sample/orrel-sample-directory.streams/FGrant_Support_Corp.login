REM Login script of .FGrant.Support.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Support"
DRIVE H: = ORREL-FS1_DATA:\HOME\FGRANT
ECHO Welcome, Fay Grant.
