; Ending the running savers before their file is replaced or removed, for
; the setup program and for the Windows Installer package's helper
; (user_steps.nsi, "user_steps.exe /endsavers", a custom action): both
; installers do it with this code. Needs LogicLib.nsh and user_steps.nsh
; (SAVER).

; Ends every running saver started from the installed file (a preview, a
; window, the full-screen saver, also on a locked desktop) and waits for
; each to go: a screen saver loses nothing by ending. Uses $0-$7.
!macro END_RUNNING_SAVERS prefix
Function ${prefix}EndRunningSavers
    ; an administrator may then end another user's saver too (the one on a
    ; locked desktop): the debug privilege, held but not enabled
    System::Call 'advapi32::OpenProcessToken(p -1, i 0x28, *p .r0) i .r1'
    ${If} $1 <> 0
        System::Call 'advapi32::LookupPrivilegeValueW(p 0, w "SeDebugPrivilege", *l .r2) i .r1'
        ; TOKEN_PRIVILEGES: one privilege, enabled
        System::Call '*(i 1, l r2, i 2) p .r3'
        System::Call 'advapi32::AdjustTokenPrivileges(p r0, i 0, p r3, i 0, p 0, p 0)'
        System::Free $3
        System::Call 'kernel32::CloseHandle(p r0)'
    ${EndIf}
    System::Call 'kernel32::CreateToolhelp32Snapshot(i 2, i 0) p .r0'
    ${If} $0 P= -1
        Return
    ${EndIf}
    ; PROCESSENTRY32W: the process id at byte 8, the file name at byte 44
    System::Call '*(&l4, &v564) p .r1'
    System::Call 'kernel32::Process32FirstW(p r0, p r1) i .r2'
    ${DoWhile} $2 <> 0
        System::Call '*$1(i, i, i .r3, &v32, &w260 .r4)'
        ${If} $4 == "Frostvale2026.scr"
            ; terminate, synchronize, query limited information
            System::Call 'kernel32::OpenProcess(i 0x101001, i 0, i r3) p .r5'
            ${If} $5 P<> 0
                System::Call 'kernel32::QueryFullProcessImageNameW(p r5, i 0, w .r6, *i ${NSIS_MAX_STRLEN}) i .r7'
                ${If} $7 <> 0
                ${AndIf} $6 == "${SAVER}"
                    System::Call 'kernel32::TerminateProcess(p r5, i 0)'
                    System::Call 'kernel32::WaitForSingleObject(p r5, i 10000)'
                ${EndIf}
                System::Call 'kernel32::CloseHandle(p r5)'
            ${EndIf}
        ${EndIf}
        System::Call 'kernel32::Process32NextW(p r0, p r1) i .r2'
    ${Loop}
    System::Free $1
    System::Call 'kernel32::CloseHandle(p r0)'
FunctionEnd
!macroend
