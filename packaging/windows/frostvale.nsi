; The Frostvale 2026 installer: puts Frostvale2026.scr into the 64-bit system
; folder for every user, registers it in Add or Remove Programs with an
; uninstaller and, unless told not to, makes it the current user's screen
; saver. tools/package_windows.py builds it:
;
;   makensis -DVERSION=2026.2.14 -DSCR=Frostvale2026.scr -DICON=frostvale.ico
;            -DLAUNCHER=Uninstall.exe -DOUTFILE=setup.exe
;            -DFINALIZE_COMMAND="python3 tools/package_windows.py --finalize"
;            frostvale.nsi
;
; Silent: setup.exe /S [/MAKECURRENT=0|1] (also no, false, empty); uninstall:
; "C:\Program Files\Frostvale 2026\Uninstall.exe" /S, which runs the
; uninstaller written here (uninstaller.exe) and returns when it is done
; (uninstall_launcher.cpp).
;
; The program runs as the user who started it and does that user's steps
; (the screen saver choice, Screen Saver Settings, the settings clean-up);
; only the machine-wide part (the system folder, the uninstaller, the entry)
; runs in a second, elevated copy of itself started with /MACHINE, whose exit
; code it passes on. Exit codes, the same as Windows Installer's:
;   0     done
;   3010  done, but the saver was in use: it is replaced or removed when
;         Windows restarts
;   1602  cancelled (also: elevation refused)
;   1603  failed; the installed version is left as it was
;   1638  refused: a newer version, or the Windows Installer package's
;         install, is there

Unicode true
Target amd64-unicode  ; a 64-bit installer: $SYSDIR is System32, never SysWOW64
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WordFunc.nsh
!include user_steps.nsh
!include end_savers.nsh

!define PRODUCT "Frostvale 2026"
!define PUBLISHER "Zentrel3D"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Frostvale2026"
; the Windows Installer package's upgrade code (frostvale.wxs)
!define MSI_UPGRADE_CODE "{FE1DE706-9F6B-481C-B6A9-F006426E0611}"

!define EXIT_RESTART 3010
!define EXIT_CANCELLED 1602
!define EXIT_FAILED 1603
!define EXIT_REFUSED 1638

; settles the uninstaller's bytes and signs it when signing
!uninstfinalize '${FINALIZE_COMMAND} "%1"' = 0

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; the uninstaller's folder; the saver itself goes to the system folder
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT}, version ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings
; when the saver's file waits for the restart: the user restarts when it suits
!define MUI_FINISHPAGE_REBOOTLATER_DEFAULT

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Var machine     ; 1 in the elevated copy that does the machine-wide part
Var installed   ; the version installed by this setup program, or ""

; Ends: one sentence for the user (none when silent), the exit code.
!macro Refuse text code
    MessageBox MB_ICONSTOP|MB_OK "${text}" /SD IDOK
    SetErrorLevel ${code}
    Quit
!macroend

!insertmacro END_RUNNING_SAVERS ""
!insertmacro END_RUNNING_SAVERS "un."

; Runs the program $R0 with the parameters $R1 elevated (the administrator
; prompt, unless already elevated) and waits for it; $R2 is its exit code,
; 1602 when the prompt was refused, 1603 when it could not start.
; Uses $7-$9.
!macro RUN_ELEVATED prefix
Function ${prefix}RunElevated
    ; SHELLEXECUTEINFOW: no close of the process handle, no error boxes,
    ; the process handle at byte 104
    System::Call '*(i 112, i 0x540, p $HWNDPARENT, w "runas", w R0, w R1, p 0, i 0, &v4, p, p, p, p, i, &v4, p, p) p .r9'
    System::Call 'shell32::ShellExecuteExW(p r9) i .r8 ?e'
    Pop $7
    ${If} $8 = 0
        System::Free $9
        ${If} $7 = 1223  ; ERROR_CANCELLED
            StrCpy $R2 ${EXIT_CANCELLED}
        ${Else}
            StrCpy $R2 ${EXIT_FAILED}
        ${EndIf}
        Return
    ${EndIf}
    System::Call '*$9(&v104, p .r8)'
    System::Free $9
    System::Call 'kernel32::WaitForSingleObject(p r8, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r8, *i .R2)'
    System::Call 'kernel32::CloseHandle(p r8)'
FunctionEnd
!macroend
!insertmacro RUN_ELEVATED ""
!insertmacro RUN_ELEVATED "un."

; After the elevated part: says in one sentence what happened when it did
; not simply succeed, and passes its exit code on. $R2: the exit code.
!macro REPORT_MACHINE_PART prefix
Function ${prefix}ReportMachinePart
    ${If} $R2 = ${EXIT_RESTART}
        SetRebootFlag true
    ${ElseIf} $R2 = ${EXIT_CANCELLED}
        !insertmacro Refuse "Nothing was changed: the administrator's permission is needed." $R2
    ${ElseIf} $R2 = ${EXIT_REFUSED}
        !insertmacro Refuse "Nothing was changed: another install of ${PRODUCT} is in the way." $R2
    ${ElseIf} $R2 <> 0
        !insertmacro Refuse "${PRODUCT} could not be changed (error $R2); what was installed before is left as it was." $R2
    ${EndIf}
    SetErrorLevel $R2
FunctionEnd
!macroend
!insertmacro REPORT_MACHINE_PART ""
!insertmacro REPORT_MACHINE_PART "un."

Section "-machine" SectionMachine
    ${If} $machine != 1
        StrCpy $R0 "$EXEPATH"
        StrCpy $R1 "/S /MACHINE"
        Call RunElevated
        Call ReportMachinePart
        ${If} $R2 = ${EXIT_RESTART}
            DetailPrint "Frostvale2026.scr was in use: the new version takes its place when Windows restarts."
        ${EndIf}
        Return
    ${EndIf}

    ; the elevated copy: checked again, as another install may have come
    ; in between
    Call CheckOtherInstalls
    Call EndRunningSavers
    ; the uninstaller before the saver: whatever fails after it, what is
    ; installed can still be removed
    SetOutPath $INSTDIR
    ClearErrors
    File "/oname=$INSTDIR\Uninstall.exe" "${LAUNCHER}"
    WriteUninstaller "$INSTDIR\uninstaller.exe"
    ${If} ${Errors}
        SetErrorLevel ${EXIT_FAILED}
        Quit
    ${EndIf}
    ; the new file beside the old one first: a failure leaves the old one
    SetOutPath $SYSDIR
    ClearErrors
    File "/oname=$SYSDIR\Frostvale2026.scr.new" "${SCR}"
    ${If} ${Errors}
        Delete "$SYSDIR\Frostvale2026.scr.new"
        SetErrorLevel ${EXIT_FAILED}
        Quit
    ${EndIf}
    ; the move is tried at once; where the old file is held by something
    ; that cannot be ended, or the move fails, it is left to the restart
    Delete "${SAVER}"
    ClearErrors
    Rename /REBOOTOK "$SYSDIR\Frostvale2026.scr.new" "${SAVER}"
    ${If} ${Errors}
        SetErrorLevel ${EXIT_FAILED}
        Quit
    ${EndIf}

    ; the entry says what is there once the saver is in place
    WriteRegStr HKLM "${ARP_KEY}" DisplayName "${PRODUCT}"
    WriteRegStr HKLM "${ARP_KEY}" DisplayVersion "${VERSION}"
    WriteRegStr HKLM "${ARP_KEY}" Publisher "${PUBLISHER}"
    WriteRegStr HKLM "${ARP_KEY}" DisplayIcon "${SAVER}"
    WriteRegStr HKLM "${ARP_KEY}" URLInfoAbout "https://zentrel.example/frostvale/"
    WriteRegStr HKLM "${ARP_KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${ARP_KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${ARP_KEY}" NoModify 1
    WriteRegDWORD HKLM "${ARP_KEY}" NoRepair 1
    SectionGetSize ${SectionMachine} $0  ; in KiB
    WriteRegDWORD HKLM "${ARP_KEY}" EstimatedSize $0
    ${If} ${RebootFlag}
        SetErrorLevel ${EXIT_RESTART}
    ${EndIf}
SectionEnd

Section "Make it my screen saver" SectionCurrent
    !insertmacro MakeCurrent
SectionEnd

; Refuses when the Windows Installer package's install is there, or a newer
; version; otherwise notes the installed version in $installed. Uses $0-$2.
Function CheckOtherInstalls
    System::Call 'msi::MsiEnumRelatedProductsW(w "${MSI_UPGRADE_CODE}", i 0, i 0, w .r1) i .r0'
    ${If} $0 = 0
        !insertmacro Refuse "${PRODUCT} is installed from its Windows Installer package. Remove it in Add or Remove Programs first, then run this setup again." ${EXIT_REFUSED}
    ${EndIf}
    ReadRegStr $installed HKLM "${ARP_KEY}" DisplayVersion
    ${If} $installed != ""
        ${VersionCompare} $installed "${VERSION}" $2
        ${If} $2 = 1
            !insertmacro Refuse "A newer version of ${PRODUCT} ($installed) is already installed." ${EXIT_REFUSED}
        ${EndIf}
    ${EndIf}
FunctionEnd

Function .onInit
    SetRegView 64
    SetShellVarContext all
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/MACHINE" $1
    ${IfNot} ${Errors}
        StrCpy $machine 1
        !insertmacro UnselectSection ${SectionCurrent}
        Return
    ${EndIf}
    Call CheckOtherInstalls
    ; an upgrade or a repair leaves the user's choice alone unless asked
    ${If} $installed != ""
        !insertmacro UnselectSection ${SectionCurrent}
    ${EndIf}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/MAKECURRENT=" $1
    ${IfNot} ${Errors}
        ; as the package reads MAKECURRENT (== ignores case)
        ${If} $1 == 0
        ${OrIf} $1 == no
        ${OrIf} $1 == false
        ${OrIf} $1 == ""
            !insertmacro UnselectSection ${SectionCurrent}
        ${ElseIf} $1 == 1
            !insertmacro SelectSection ${SectionCurrent}
        ${EndIf}
    ${EndIf}
FunctionEnd

Function OpenScreenSaverSettings
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/MACHINE" $1
    ${IfNot} ${Errors}
        StrCpy $machine 1
    ${EndIf}
FunctionEnd

; No Return in this section: the progress bar moves with the code passed
; over and would stop short of its end.
Section Uninstall
    ${If} $machine != 1
        ; this program runs from a temporary copy the user could change: the
        ; elevated part starts from the install folder, which only
        ; administrators can change, and Uninstall.exe there runs the
        ; uninstaller from a folder only they can write to
        StrCpy $R0 "$INSTDIR\Uninstall.exe"
        StrCpy $R1 "/MACHINE"
        Call un.RunElevated
        Call un.ReportMachinePart
        ${If} $R2 = ${EXIT_RESTART}
            DetailPrint "Frostvale2026.scr was in use: it is removed when Windows restarts."
        ${EndIf}
        !insertmacro ForgetUser
    ${Else}
        Call un.EndRunningSavers
        Delete /REBOOTOK "${SAVER}"
        ${If} ${RebootFlag}
            ; the entry and the uninstaller stay until the file is gone: run
            ; the uninstaller again after the restart to take them away
            SetErrorLevel ${EXIT_RESTART}
        ${Else}
            DeleteRegKey HKLM "${ARP_KEY}"
            Delete "$INSTDIR\uninstaller.exe"
            ; Uninstall.exe waits for this uninstall to end: a running
            ; program's file can be moved away, though not deleted; it goes
            ; to the folder of this copy, which Uninstall.exe clears when it
            ; ends
            ClearErrors
            Delete "$INSTDIR\Uninstall.exe"
            ${If} ${Errors}
                Rename "$INSTDIR\Uninstall.exe" "$EXEDIR\Uninstall.exe"
            ${EndIf}
            RMDir "$INSTDIR"
        ${EndIf}
    ${EndIf}
SectionEnd
