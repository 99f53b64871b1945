; Installer of OrvisaWakeup, built by makensis from the build tree
; (installer/CMakeLists.txt passes the defines below).
;
; The user picks the host's directory, the one that holds tvrecord.xml. The
; scheduler derives that directory from its own path, so everything of ours
; goes into its "orvisawakeup" subfolder: the scheduler, the extension module
; beside it and the uninstaller. The host's own files and its settings key
; (HKCU\Software\Vorx\Orvisa\3.0) are never touched.
;
; Switches: /S silent, /D=<host directory> (last on the line, unquoted),
; /NOAUTOSTART no start at logon, /KEEPPOWERPLAN the power plans left as
; they are. The uninstaller takes /S, and _?=<its folder> to run in place
; and return its exit code.
;
; Exit codes, beyond NSIS's own 0 (done), 1 (cancelled by the user) and 2
; (stopped: the extension module did not register):
!define EXIT_NOT_ADMIN 3         ; not run as an administrator; nothing changed
!define EXIT_FILES_IN_USE 4      ; a file stays in use (the host has the module
                                 ; loaded); nothing changed
!define EXIT_PREVIOUS_REMAINS 5  ; the install in another folder did not uninstall
!define EXIT_WRITE_FAILED 6      ; a file could not be written; the installed
                                 ; version was put back
!define EXIT_RESTART_NEEDED 3010 ; uninstaller: removed, but the module the
                                 ; host holds goes when Windows restarts

!macro NEED_DEFINE NAME
  !ifndef ${NAME}
    !error "makensis needs /D${NAME}=..."
  !endif
!macroend
!insertmacro NEED_DEFINE VERSION
!insertmacro NEED_DEFINE VERSION_QUAD
!insertmacro NEED_DEFINE BINDIR
!insertmacro NEED_DEFINE OUTFILE
!insertmacro NEED_DEFINE NAMES

!ifdef WIN64
; The tests' 64-bit flavour: a 64-bit installer of 64-bit binaries, whose
; registry writes (the module's registration among them) land in the 64-bit
; view; the release is the 32-bit one.
Target amd64-unicode
!else
Unicode true
!endif
SetCompressor /SOLID lzma
ManifestDPIAware true
; The extension registers its classes under HKEY_CLASSES_ROOT for every user,
; and the host usually lives under Program Files.
RequestExecutionLevel admin
; A file that cannot be replaced stops the install rather than leaving the
; old one behind.
AllowSkipFiles off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Sections.nsh
; The names the installer shares with the scheduler and the module.
!include "${NAMES}"

!define PRODUCT "OrvisaWakeup"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\OrvisaWakeUp.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "OrvisaWakeUp"
!define HELPER "$PLUGINSDIR\setuphelper.exe"
; The sessions that ran a scheduler when it was closed, and their users.
!define SESSIONS "$PLUGINSDIR\sessions"
; Copies of the installed version's files, put back when a write fails.
!define BACKUP "$PLUGINSDIR\previous"
; In the program folder: each power plan whose wake timers the install
; allowed, with its setting from before, for the uninstaller to put back.
; It outlives updates, so that it keeps the values from before the first
; install.
!define PLAN_RECORD "powerplans.txt"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
; The trailing backslash keeps Browse from appending "Orvisa" to the folder
; the user picks: that one is the host's folder itself.
InstallDir "$PROGRAMFILES\Orvisa\"
; A second install offers the host directory of the first.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "HostDirectory"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" ""

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This installs the wake-up scheduler for Orvisa and its extension module.$\r$\n$\r$\nThe scheduler wakes the PC in time for the next recording and sends an idle PC back to sleep.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the folder of Orvisa: the one that holds ${WAKEUP_SCHEDULE_FILE}. The scheduler and the extension module go into its subfolder ${WAKEUP_PROGRAM_DIR}."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Orvisa folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckHostDirectory
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The program folder of an earlier install, from its Add/Remove Programs entry.
Var PreviousDir
; The scheduler that the installed version starts: the one to start again
; where the install stops after the running ones were closed.
Var InstalledProgram
; 1 once the running schedulers are closed.
Var Closed
; 1 while the new files are written beside the installed ones and swapped
; in: an install that fails then, for whatever reason, puts the installed
; version back.
Var Swapping

; Both run as administrators only: the module registers for every user,
; the entries are machine-wide, and the host usually lives under Program
; Files. Without User Account Control a standard user is not elevated, and
; every such write would fail.
!macro NEED_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} registers its extension module for every user of this PC and writes into the folder of Orvisa: that needs an administrator.$\r$\n$\r$\nNothing was changed. Run this again as an administrator." /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
!macroend

!macro UNPACK_HELPER
  InitPluginsDir
  File "/oname=${HELPER}" "${BINDIR}/setuphelper.exe"
!macroend

; Closes every running scheduler, in every session, and waits for it to
; end, so that its files can be replaced or removed: its window, where this
; desktop shows it, takes WM_CLOSE like a click on its close box; what does
; not close (hung behind a message box, or another user's copy in another
; session, which no window here reaches) is ended. RECORD names the file
; that keeps the sessions it ran in, for the start afterwards; "-" keeps
; none.
!macro CLOSE_SCHEDULERS RECORD PROGRAMS
  ClearErrors
  ExecWait '"${HELPER}" close "${RECORD}" ${PROGRAMS}' $0
  ${If} ${Errors}
    ; The helper did not run (a PC that refuses unpacked programs): at least
    ; the scheduler of this desktop is closed, by its window.
    DetailPrint "The setup helper did not run; closing the scheduler of this desktop"
    !insertmacro CLOSE_WINDOW
  ${ElseIf} $0 <> 0
    DetailPrint "Could not end every running scheduler ($0 left)"
  ${EndIf}
!macroend

!macro CLOSE_WINDOW
  StrCpy $R0 0
  ${Do}
    FindWindow $0 "${WAKEUP_WINDOW_CLASS}" "${WAKEUP_WINDOW_TITLE}"
    ${If} $0 == 0
    ${OrIf} $R0 >= 5
      ${ExitDo}
    ${EndIf}
    DetailPrint "Closing the running scheduler"
    StrCpy $1 0
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION: enough to wait for it,
    ; and granted on another user's process too.
    System::Call "kernel32::OpenProcess(i 0x00101000, i 0, i r1) p .r2"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $2 <> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 10000) i"
      System::Call "kernel32::CloseHandle(p r2) i"
    ${EndIf}
    IntOp $R0 $R0 + 1
  ${Loop}
!macroend

; Starts the scheduler PROGRAM again, minimised, in every session that ran
; one when they were closed, as that session's user. FLAGS "/here": in this
; session too, shown.
!macro START_AGAIN PROGRAM FLAGS
  ClearErrors
  ExecWait '"${HELPER}" restart "${SESSIONS}" "${PROGRAM}" ${FLAGS}' $0
  ${If} ${Errors}
    StrCpy $0 -1
  ${EndIf}
!macroend

; Everything of ours outside the program folder: start at logon, the
; shortcut and the Add/Remove Programs entry.
!macro REMOVE_ENTRIES
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
!macroend

; The new files, written beside the installed ones before they are swapped
; in (WriteFiles).
!define NEW ".new"

!macro DISCARD_NEW_FILES DIR
  Delete "${DIR}\${WAKEUP_MODULE_FILE}${NEW}"
  Delete "${DIR}\${WAKEUP_PROGRAM_FILE}${NEW}"
  Delete "${DIR}\${UNINSTALLER}${NEW}"
!macroend

; The program folder's files; the folder itself goes only when nothing else
; is left in it.
!macro REMOVE_FILES DIR
  Delete "${DIR}\${WAKEUP_PROGRAM_FILE}"
  Delete "${DIR}\${WAKEUP_MODULE_FILE}"
  Delete "${DIR}\${UNINSTALLER}"
  !insertmacro DISCARD_NEW_FILES "${DIR}"
  RMDir "${DIR}"
!macroend

; A warning, not a refusal: Orvisa may not have written its schedule yet.
Function CheckHostDirectory
  ${IfNot} ${FileExists} "$INSTDIR\${WAKEUP_SCHEDULE_FILE}"
    ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$INSTDIR does not hold ${WAKEUP_SCHEDULE_FILE}, so it does not look like the folder of Orvisa.$\r$\n$\r$\nThe scheduler reads the recordings from ${WAKEUP_SCHEDULE_FILE} in the folder above its own. Install here anyway?" /SD IDYES IDNO`
      Abort ; back to the folder page
    ${EndIf}
  ${EndIf}
FunctionEnd

; The installed version stays as it was: its schedulers, if they were
; closed already, start again.
Function StopWithInstalledVersion
  Push $0
  ${If} $Closed == 1
    !insertmacro START_AGAIN "$InstalledProgram" ""
  ${EndIf}
  Pop $0
FunctionEnd

; Waits until the file on the stack can be overwritten, asking to close what
; holds it: a module the host has loaded can be neither overwritten nor
; deleted until the host ends. Cancel, and a silent install, stop before
; anything is changed. Checked here, not by the helper, so that a machine
; that refuses to run unpacked programs still gets the check.
Function WaitUntilReplaceable
  Exch $0
  Push $1
  Push $2
  ${Do}
    ; As File opens what it overwrites: for writing, others may go on reading.
    System::Call "kernel32::CreateFileW(w r0, i 0x40000000, i 1, p 0, i 3, i 0, p 0) p .r1 ?e"
    Pop $2 ; the last error
    ${If} $1 <> -1
      System::Call "kernel32::CloseHandle(p r1) i"
      ${ExitDo}
    ${EndIf}
    ${If} $2 = 2 ; ERROR_FILE_NOT_FOUND
    ${OrIf} $2 = 3 ; ERROR_PATH_NOT_FOUND
      ${ExitDo}
    ${EndIf}
    DetailPrint "$0 is in use (error $2)"
    ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$0 is in use and cannot be replaced. While Orvisa runs, it holds the extension module.$\r$\n$\r$\nClose Orvisa, then click Retry. Cancel stops here and leaves the installed version as it is." /SD IDCANCEL IDCANCEL`
      Call StopWithInstalledVersion
      SetErrorLevel ${EXIT_FILES_IN_USE}
      Abort "$0 is in use; the installed version is left as it is."
    ${EndIf}
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macro WAIT_UNTIL_FOLDER_REPLACEABLE DIR
  Push "${DIR}\${WAKEUP_PROGRAM_FILE}"
  Call WaitUntilReplaceable
  Push "${DIR}\${WAKEUP_MODULE_FILE}"
  Call WaitUntilReplaceable
!macroend

; An install in another host folder is uninstalled first, by its own
; uninstaller: otherwise its scheduler, files, registration and uninstaller
; stay behind, and its registration and the new one name the same classes.
Function RemovePreviousInstall
  ${If} $PreviousDir == ""
  ${OrIf} $PreviousDir == "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$PreviousDir\${UNINSTALLER}"
    DetailPrint "The earlier install in $PreviousDir has no uninstaller; its entries are replaced"
    Return
  ${EndIf}
  DetailPrint "Uninstalling the earlier install in $PreviousDir"
  ; In place, so that it has ended when ExecWait returns.
  ClearErrors
  ExecWait '"$PreviousDir\${UNINSTALLER}" /S _?=$PreviousDir' $0
  ${If} ${Errors}
    StrCpy $0 -1
  ${EndIf}
  ; Removed, or all but a module something still holds, which goes at restart.
  ${If} $0 <> 0
  ${AndIf} $0 <> ${EXIT_RESTART_NEEDED}
    ; The files written into the new folder go again.
    SetOutPath "$INSTDIR"
    !insertmacro REMOVE_FILES "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
    Call StopWithInstalledVersion
    MessageBox MB_OK|MB_ICONSTOP "The earlier install of ${PRODUCT} in $PreviousDir could not be uninstalled (exit code $0).$\r$\n$\r$\nUninstall it under Add/Remove Programs, then run this installer again." /SD IDOK
    SetErrorLevel ${EXIT_PREVIOUS_REMAINS}
    Abort "The earlier install in $PreviousDir could not be uninstalled."
  ${EndIf}
  ; Running in place, it could not remove itself.
  Delete "$PreviousDir\${UNINSTALLER}"
  RMDir "$PreviousDir"
FunctionEnd

; Before anything of the installed version changes, its files are copied
; aside and the new ones are written beside them under names of their own;
; then each is swapped in by a replace-move, so that no file is ever half
; written in its place. A failure anywhere (a copy aside, a write, a full
; disk, a swap refused by a host that loaded the module after the check)
; puts back the installed version's files as they were, and the install
; stops with its registration and entries untouched.
; The new file FILE${NEW} replaces FILE in the program folder, unless an
; earlier step failed ($0 not empty); $0 says "failed" when it does not.
!macro SWAP_IN FILE
  ${If} $0 == ""
    System::Call "kernel32::MoveFileExW(w '$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}${NEW}', w '$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}', i 9) i .r0 ?e"
    Pop $1 ; the last error
    ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH
    ${If} $0 = 0
      DetailPrint "${FILE} could not be replaced (error $1)"
      StrCpy $0 "failed"
    ${Else}
      StrCpy $0 ""
    ${EndIf}
  ${EndIf}
!macroend

; Each step sets $0 to "failed" when it fails; testing the error flag
; clears it, so it is read once per step.
!macro STEP_DONE
  ${If} ${Errors}
    StrCpy $0 "failed"
  ${EndIf}
!macroend

!macro BACK_UP FILE
  ${If} ${FileExists} "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}"
  ${AndIfNot} ${FileExists} "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}\*.*"
    CopyFiles /SILENT "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}" "${BACKUP}\${FILE}"
  ${EndIf}
!macroend

!macro PUT_BACK FILE
  ${If} ${FileExists} "${BACKUP}\${FILE}"
    CopyFiles /SILENT "${BACKUP}\${FILE}" "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}"
  ${Else}
    Delete "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${FILE}"
  ${EndIf}
!macroend

Function PutBackInstalledVersion
  ; Out of the program folder, which cannot go while it is the current one.
  SetOutPath "$INSTDIR"
  !insertmacro DISCARD_NEW_FILES "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
  !insertmacro PUT_BACK "${WAKEUP_MODULE_FILE}"
  !insertmacro PUT_BACK "${WAKEUP_PROGRAM_FILE}"
  !insertmacro PUT_BACK "${UNINSTALLER}"
  RMDir "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
FunctionEnd

Function WriteFiles
  Push $0
  Push $1
  StrCpy $0 ""
  ClearErrors
  CreateDirectory "${BACKUP}"
  !insertmacro BACK_UP "${WAKEUP_MODULE_FILE}"
  !insertmacro BACK_UP "${WAKEUP_PROGRAM_FILE}"
  !insertmacro BACK_UP "${UNINSTALLER}"
  !insertmacro STEP_DONE
  ${If} $0 != ""
    DetailPrint "The installed files could not be copied aside; nothing is changed"
    Goto stop
  ${EndIf}

  StrCpy $Swapping 1
  SetOutPath "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
  ; A file that cannot be written is skipped and sets the error flag, rather
  ; than asking or stopping at once; a write that fails partway ends the
  ; install, and .onInstFailed puts the installed version back.
  SetOverwrite try
  File "/oname=${WAKEUP_MODULE_FILE}${NEW}" "${BINDIR}/${WAKEUP_MODULE_FILE}"
  !insertmacro STEP_DONE
  ${If} $0 == ""
    File "/oname=${WAKEUP_PROGRAM_FILE}${NEW}" "${BINDIR}/${WAKEUP_PROGRAM_FILE}"
    !insertmacro STEP_DONE
  ${EndIf}
  ${If} $0 == ""
    WriteUninstaller "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${UNINSTALLER}${NEW}"
    !insertmacro STEP_DONE
  ${EndIf}
  SetOverwrite on
  ; The module first: it is the file a host may hold.
  !insertmacro SWAP_IN "${WAKEUP_MODULE_FILE}"
  !insertmacro SWAP_IN "${WAKEUP_PROGRAM_FILE}"
  !insertmacro SWAP_IN "${UNINSTALLER}"
  StrCpy $Swapping 0
  ${If} $0 == ""
    Pop $1
    Pop $0
    Return
  ${EndIf}

  DetailPrint "A file in $INSTDIR\${WAKEUP_PROGRAM_DIR} could not be written; putting back the installed version"
  Call PutBackInstalledVersion
stop:
  Call StopWithInstalledVersion
  MessageBox MB_OK|MB_ICONSTOP "A file in $INSTDIR\${WAKEUP_PROGRAM_DIR} could not be written (is Orvisa running?).$\r$\n$\r$\nThe installed version is left as it was. Close Orvisa and run this installer again." /SD IDOK
  SetErrorLevel ${EXIT_WRITE_FAILED}
  Abort "A file could not be written; the installed version is left as it was."
FunctionEnd

Section "Scheduler and extension module (required)" SecProgram
  SectionIn RO
  DetailPrint "${PRODUCT} ${VERSION}"
  ${IfNot} ${FileExists} "$INSTDIR\${WAKEUP_SCHEDULE_FILE}"
    DetailPrint "Warning: $INSTDIR holds no ${WAKEUP_SCHEDULE_FILE}; it does not look like the folder of Orvisa."
  ${EndIf}

  !insertmacro UNPACK_HELPER
  ; Before anything changes, and before a running scheduler is closed: the
  ; host, while it runs, holds the module of this folder or of the earlier
  ; install's.
  Push "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_MODULE_FILE}"
  Call WaitUntilReplaceable
  ${If} $PreviousDir != ""
    Push "$PreviousDir\${WAKEUP_MODULE_FILE}"
    Call WaitUntilReplaceable
  ${EndIf}

  ${If} $PreviousDir == ""
    StrCpy $InstalledProgram "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_PROGRAM_FILE}"
  ${Else}
    StrCpy $InstalledProgram "$PreviousDir\${WAKEUP_PROGRAM_FILE}"
  ${EndIf}
  ; From here on, a stop starts the closed schedulers again.
  !insertmacro CLOSE_SCHEDULERS "${SESSIONS}" '"$InstalledProgram" "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_PROGRAM_FILE}"'
  StrCpy $Closed 1
  ; Now nothing of ours runs them, so whatever holds one of them still is
  ; asked about, before anything changes.
  !insertmacro WAIT_UNTIL_FOLDER_REPLACEABLE "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
  ${If} $PreviousDir != ""
    !insertmacro WAIT_UNTIL_FOLDER_REPLACEABLE "$PreviousDir"
  ${EndIf}

  Call WriteFiles
  ; Only once the new files are in place does the earlier install in
  ; another folder go, with its registration and entries.
  Call RemovePreviousInstall
  ; Over an earlier install in this folder, the registration below
  ; overwrites the earlier one's, which named the same file: unregistered
  ; first, a failed write or registration would leave the installed version
  ; without it.

  ; As regsvr32 does: the module's own DllRegisterServer. A module that
  ; cannot register is of no use to the host, and a scheduler without it
  ; never hears of the host, so the install is undone as a whole: an
  ; earlier install in this folder gets its files back, registered again
  ; (the failed module may have taken away classes they share), and
  ; otherwise nothing of ours is left.
  ClearErrors
  RegDLL "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_MODULE_FILE}"
  ${If} ${Errors}
    DetailPrint "Registering $INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_MODULE_FILE} failed; undoing the install"
    UnRegDLL "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_MODULE_FILE}"
    ${If} ${FileExists} "${BACKUP}\${WAKEUP_MODULE_FILE}"
      Call PutBackInstalledVersion
      RegDLL "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_MODULE_FILE}"
      Call StopWithInstalledVersion
      StrCpy $0 "The installed version is left as it was."
    ${Else}
      SetOutPath "$INSTDIR"
      !insertmacro REMOVE_ENTRIES
      !insertmacro REMOVE_FILES "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
      StrCpy $0 "Nothing of ${PRODUCT} is installed now."
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP \
      "The extension module $INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_MODULE_FILE} could not be registered (its DllRegisterServer failed).$\r$\n$\r$\n$0 Run the installer again as an administrator." \
      /SD IDOK
    Abort "Registering the extension module failed. $0"
  ${EndIf}

  CreateShortCut "${SHORTCUT}" "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_PROGRAM_FILE}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_PROGRAM_FILE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${WAKEUP_PROGRAM_DIR}\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${WAKEUP_PROGRAM_DIR}\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\${WAKEUP_PROGRAM_DIR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HostDirectory" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR\${WAKEUP_PROGRAM_DIR}" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start at logon" SecLogon
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_PROGRAM_FILE}" /minimized'
SectionEnd

; Only once the install has succeeded, so that a stopped one leaves the
; plans alone; and before the scheduler starts again, which reads the plan
; in use. A plan that cannot be read or changed is skipped and never stops
; the install.
Section "Allow wake timers on mains power" SecWakeTimers
  ClearErrors
  ExecWait '"${HELPER}" allow-wake-timers "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${PLAN_RECORD}"' $0
  ${If} ${Errors}
    DetailPrint "The setup helper did not run; the power plans are left as they are"
  ${ElseIf} $0 <> 0
    DetailPrint "Wake timers could not be allowed in every power plan (error $0)"
  ${Else}
    DetailPrint "Every power plan allows wake timers on mains power"
  ${EndIf}
SectionEnd

; Last, once everything is in place.
Section "-Start again"
  ; A switch turned off on a second install takes away the first's entry.
  ${IfNot} ${SectionIsSelected} ${SecLogon}
    DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  ${EndIf}
  ; Not with this installer's token: it is elevated, and Windows drops the
  ; window messages that the host, unelevated, sends to a program of higher
  ; integrity. Every session that ran a scheduler gets it back, as its user,
  ; so that a silent update at night leaves the wake timer armed; an
  ; interactive install with start at logon starts it in this session too,
  ; shown. A silent install starts it nowhere else: the logon does.
  StrCpy $0 ""
  ${IfNot} ${Silent}
  ${AndIf} ${SectionIsSelected} ${SecLogon}
    StrCpy $0 "/here"
  ${EndIf}
  StrCpy $1 $0
  !insertmacro START_AGAIN "$INSTDIR\${WAKEUP_PROGRAM_DIR}\${WAKEUP_PROGRAM_FILE}" $1
  ${If} $0 <> 0
    DetailPrint "The scheduler did not start again in every session (error $0)"
    ${If} $1 == "/here"
      MessageBox MB_OK|MB_ICONINFORMATION "The scheduler could not be started now. It starts at your next logon, or start OrvisaWakeUp from the Start menu."
    ${EndIf}
  ${Else}
    DetailPrint "Started the scheduler as the logged-on user where it ran"
  ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "${WAKEUP_PROGRAM_FILE} and ${WAKEUP_MODULE_FILE} in the subfolder ${WAKEUP_PROGRAM_DIR}, the module registered for the host."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} "Start the scheduler whenever a user logs on, and start it now for you. Without it, start OrvisaWakeUp from the Start menu."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecWakeTimers} "Set $\"Allow wake timers$\" to Enable on mains power in every power plan, so that the scheduler's timer can wake the PC for a recording. Battery settings stay as they are; uninstalling puts back what was changed."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; Also when the install ends on an error of NSIS's own (a write that fails
; partway, a full disk): while the files were being swapped, the installed
; version goes back and its schedulers start again.
Function .onInstFailed
  ${If} $Swapping == 1
    StrCpy $Swapping 0
    DetailPrint "The install failed while its files were written; putting back the installed version"
    Call PutBackInstalledVersion
    Call StopWithInstalledVersion
    SetErrorLevel ${EXIT_WRITE_FAILED}
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext all
  !insertmacro NEED_ADMIN
  ReadRegStr $PreviousDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecLogon}
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/KEEPPOWERPLAN" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecWakeTimers}
  ${EndIf}
FunctionEnd

; Runs from the program folder: $INSTDIR is <host>\orvisawakeup.
Section "Uninstall"
  DetailPrint "Removing ${PRODUCT} ${VERSION} from $INSTDIR"
  !insertmacro UNPACK_HELPER
  !insertmacro CLOSE_SCHEDULERS "-" '"$INSTDIR\${WAKEUP_PROGRAM_FILE}"'
  ClearErrors
  UnRegDLL "$INSTDIR\${WAKEUP_MODULE_FILE}"
  ${If} ${Errors}
    DetailPrint "The extension module did not unregister (already gone?)"
  ${EndIf}
  !insertmacro REMOVE_ENTRIES

  ; The plans get back what the install changed, where the user has not
  ; changed it since; the record goes with the files either way.
  ClearErrors
  ExecWait '"${HELPER}" restore-wake-timers "$INSTDIR\${PLAN_RECORD}"' $0
  ${If} ${Errors}
    DetailPrint "The setup helper did not run; the power plans keep their wake timer setting"
  ${ElseIf} $0 <> 0
    DetailPrint "The power plans could not all get their wake timer setting back (error $0)"
  ${EndIf}
  Delete "$INSTDIR\${PLAN_RECORD}"

  ; A module the host has loaded cannot be deleted until the host ends, and
  ; the host cannot be made to let go of it. Unregistered, it is not loaded
  ; again; moved aside, it leaves its name to a new install into this folder,
  ; which a deletion at restart would otherwise take away; and it is deleted
  ; when Windows restarts.
  ClearErrors
  Delete "$INSTDIR\${WAKEUP_MODULE_FILE}"
  ${If} ${Errors}
    Delete "$INSTDIR\${WAKEUP_MODULE_FILE}.removed" ; an earlier one the host has let go of
    ClearErrors
    Rename "$INSTDIR\${WAKEUP_MODULE_FILE}" "$INSTDIR\${WAKEUP_MODULE_FILE}.removed"
    ${If} ${Errors}
      Delete /REBOOTOK "$INSTDIR\${WAKEUP_MODULE_FILE}"
    ${Else}
      Delete /REBOOTOK "$INSTDIR\${WAKEUP_MODULE_FILE}.removed"
    ${EndIf}
  ${EndIf}
  !insertmacro REMOVE_FILES "$INSTDIR"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
    DetailPrint "Orvisa holds the extension module; it is deleted when Windows restarts"
    MessageBox MB_OK|MB_ICONINFORMATION "${PRODUCT} is uninstalled. Orvisa still has its extension module loaded, so that file is deleted when Windows restarts; until then Orvisa goes on running with it, and no longer loads it after it ends." /SD IDOK
    SetErrorLevel ${EXIT_RESTART_NEEDED}
  ${EndIf}
SectionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro NEED_ADMIN
FunctionEnd
