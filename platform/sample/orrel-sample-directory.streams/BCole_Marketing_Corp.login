REM Login script of .BCole.Marketing.Corp
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="Marketing"
DRIVE H: = ORREL-FS1_DATA:\HOME\BCOLE
ECHO Welcome, Bea G. Cole.
