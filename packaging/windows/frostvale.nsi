; The Frostvale 2026 installer: puts Frostvale2026.scr into the 64-bit system
; folder for every user, registers it in Add or Remove Programs with an
; uninstaller and, unless told not to, makes it the current user's screen
; saver. tools/package_windows.py builds it:
;
;   makensis -DVERSION=2026.1.0 -DSCR=Frostvale2026.scr -DICON=frostvale.ico
;            -DOUTFILE=setup.exe frostvale.nsi
;
; Silent: setup.exe /S [/MAKECURRENT=0]; uninstall: Uninstall.exe /S.

Unicode true
Target amd64-unicode  ; a 64-bit installer: $SYSDIR is System32, never SysWOW64
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include user_steps.nsh

!define PRODUCT "Frostvale 2026"
!define PUBLISHER "Zentrel3D"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Frostvale2026"

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

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

Section "${PRODUCT} screen saver" SectionSaver
    SectionIn RO
    SetOutPath $SYSDIR
    File "${SCR}"
    SetOutPath $INSTDIR
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    WriteRegStr HKLM "${ARP_KEY}" DisplayName "${PRODUCT}"
    WriteRegStr HKLM "${ARP_KEY}" DisplayVersion "${VERSION}"
    WriteRegStr HKLM "${ARP_KEY}" Publisher "${PUBLISHER}"
    WriteRegStr HKLM "${ARP_KEY}" DisplayIcon "${SAVER}"
    WriteRegStr HKLM "${ARP_KEY}" URLInfoAbout "https://zentrel.example/frostvale/"
    WriteRegStr HKLM "${ARP_KEY}" UninstallString '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${ARP_KEY}" QuietUninstallString '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${ARP_KEY}" NoModify 1
    WriteRegDWORD HKLM "${ARP_KEY}" NoRepair 1
    SectionGetSize ${SectionSaver} $0  ; in KiB
    WriteRegDWORD HKLM "${ARP_KEY}" EstimatedSize $0
SectionEnd

Section "Make it my screen saver" SectionCurrent
    !insertmacro MakeCurrent
SectionEnd

Function .onInit
    SetRegView 64
    SetShellVarContext all
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/MAKECURRENT=" $1
    ${IfNot} ${Errors}
    ${AndIf} $1 == 0
        !insertmacro UnselectSection ${SectionCurrent}
    ${EndIf}
FunctionEnd

Function OpenScreenSaverSettings
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section Uninstall
    !insertmacro ForgetUser
    Delete "${SAVER}"
    DeleteRegKey HKLM "${ARP_KEY}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
