; The steps both installers take in the registry of the user who installs or
; removes Frostvale 2026, for the setup program and for the Windows Installer
; package's helper (user_steps.nsi). Needs LogicLib.nsh.

!define SAVER "$SYSDIR\Frostvale2026.scr"
!define DESKTOP_KEY "Control Panel\Desktop"
!define MAKER_KEY "Software\Zentrel3D"

; Makes the installed saver the user's screen saver.
!macro MakeCurrent
    WriteRegStr HKCU "${DESKTOP_KEY}" SCRNSAVE.EXE "${SAVER}"
    WriteRegStr HKCU "${DESKTOP_KEY}" ScreenSaveActive 1
!macroend

; Leaves nothing of the saver with the user: the screen saver choice when it
; names the installed file, so that Windows never points at a missing saver
; (another saver chosen since stays; == ignores case), the settings key, and
; the maker's key when nothing else is left in it. Uses $0.
!macro ForgetUser
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" SCRNSAVE.EXE
    ${If} $0 == "${SAVER}"
        DeleteRegValue HKCU "${DESKTOP_KEY}" SCRNSAVE.EXE
        WriteRegStr HKCU "${DESKTOP_KEY}" ScreenSaveActive 0
    ${EndIf}
    DeleteRegKey HKCU "${MAKER_KEY}\Frostvale2026"
    DeleteRegKey /ifempty HKCU "${MAKER_KEY}"
!macroend
