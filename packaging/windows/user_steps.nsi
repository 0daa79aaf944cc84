; The Windows Installer package's helper, with the same steps the setup
; program takes: run as the user who installs or removes Frostvale 2026,
; without a window, "user_steps.exe /current" makes the installed saver the
; screen saver and "user_steps.exe /forget" takes back what the saver left
; with the user (user_steps.nsh); "user_steps.exe /endsavers" ends the
; running savers before the package replaces or removes their file
; (end_savers.nsh).
;
;   makensis -DVERSION=2026.2.14 -DOUTFILE=user_steps.exe user_steps.nsi

Unicode true
Target amd64-unicode  ; $SYSDIR is the 64-bit System32
SetCompressor /SOLID lzma
SilentInstall silent
RequestExecutionLevel user

!include FileFunc.nsh
!include LogicLib.nsh
!include user_steps.nsh
!include end_savers.nsh

!insertmacro END_RUNNING_SAVERS ""

Name "Frostvale 2026"
OutFile "${OUTFILE}"

; a versioned file for Windows Installer's file rules
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 ProductName "Frostvale 2026"
VIAddVersionKey /LANG=1033 CompanyName "Zentrel3D"
VIAddVersionKey /LANG=1033 FileDescription "Frostvale 2026 user steps"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) 2026 Zentrel3D"

Section
    ${GetParameters} $1
    ClearErrors
    ${GetOptions} $1 "/current" $2
    ${IfNot} ${Errors}
        !insertmacro MakeCurrent
    ${EndIf}
    ClearErrors
    ${GetOptions} $1 "/forget" $2
    ${IfNot} ${Errors}
        !insertmacro ForgetUser
    ${EndIf}
    ClearErrors
    ${GetOptions} $1 "/endsavers" $2
    ${IfNot} ${Errors}
        Call EndRunningSavers
    ${EndIf}
SectionEnd
