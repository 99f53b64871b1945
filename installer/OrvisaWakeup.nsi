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
; /NOAUTOSTART no start at logon. The uninstaller takes /S.

!macro NEED_DEFINE NAME
  !ifndef ${NAME}
    !error "makensis needs /D${NAME}=..."
  !endif
!macroend
!insertmacro NEED_DEFINE VERSION
!insertmacro NEED_DEFINE VERSION_QUAD
!insertmacro NEED_DEFINE BINDIR
!insertmacro NEED_DEFINE OUTFILE

Unicode true
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

!define PRODUCT "OrvisaWakeup"
!define PROGRAM_DIR "orvisawakeup"
!define PROGRAM "kelmarwakeup.exe"
!define MODULE "OrvisaWakeup.dll"
!define UNINSTALLER "uninstall.exe"
!define WINDOW_TITLE "OrvisaWakeUp"
!define SHORTCUT "$SMPROGRAMS\OrvisaWakeUp.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "OrvisaWakeUp"
!define HOST_FILE "tvrecord.xml"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
InstallDir "$PROGRAMFILES\Orvisa"
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
!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the folder of Orvisa: the one that holds ${HOST_FILE}. The scheduler and the extension module go into its subfolder ${PROGRAM_DIR}."
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

; Closes every running scheduler and waits for its process to end, so that
; its files can be replaced or removed. The window takes WM_CLOSE like a
; click on its close box.
!macro CLOSE_SCHEDULER
  StrCpy $R0 0
  ${Do}
    FindWindow $0 "#32770" "${WINDOW_TITLE}"
    ${If} $0 == 0
    ${OrIf} $R0 >= 5
      ${ExitDo}
    ${EndIf}
    DetailPrint "Closing the running scheduler"
    StrCpy $1 0
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1) i"
    ; SYNCHRONIZE: enough to wait for the process.
    System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2"
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${If} $2 <> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 10000) i"
      System::Call "kernel32::CloseHandle(p r2) i"
    ${EndIf}
    IntOp $R0 $R0 + 1
  ${Loop}
!macroend

; Everything of ours outside the program folder: start at logon, the
; shortcut and the Add/Remove Programs entry.
!macro REMOVE_ENTRIES
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
!macroend

; The program folder's files; the folder itself goes only when nothing else
; is left in it.
!macro REMOVE_FILES DIR
  Delete "${DIR}\${PROGRAM}"
  Delete "${DIR}\${MODULE}"
  Delete "${DIR}\${UNINSTALLER}"
  RMDir "${DIR}"
!macroend

; A warning, not a refusal: Orvisa may not have written its schedule yet.
Function CheckHostDirectory
  ${IfNot} ${FileExists} "$INSTDIR\${HOST_FILE}"
    ${If} ${Cmd} `MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 "$INSTDIR does not hold ${HOST_FILE}, so it does not look like the folder of Orvisa.$\r$\n$\r$\nThe scheduler reads the recordings from ${HOST_FILE} in the folder above its own. Install here anyway?" /SD IDYES IDNO`
      Abort ; back to the folder page
    ${EndIf}
  ${EndIf}
FunctionEnd

Function CloseScheduler
  !insertmacro CLOSE_SCHEDULER
FunctionEnd

Function un.CloseScheduler
  !insertmacro CLOSE_SCHEDULER
FunctionEnd

Section "Scheduler and extension module (required)" SecProgram
  SectionIn RO
  DetailPrint "${PRODUCT} ${VERSION}"
  ${IfNot} ${FileExists} "$INSTDIR\${HOST_FILE}"
    DetailPrint "Warning: $INSTDIR holds no ${HOST_FILE}; it does not look like the folder of Orvisa."
  ${EndIf}

  Call CloseScheduler
  ; A switch turned off on a second install takes away the first's entry.
  DeleteRegValue HKLM "${RUN_KEY}" "${RUN_VALUE}"

  ; The module of an earlier install unregisters first, so that a failure
  ; below leaves no classes of it pointing to a removed file.
  ${If} ${FileExists} "$INSTDIR\${PROGRAM_DIR}\${MODULE}"
    UnRegDLL "$INSTDIR\${PROGRAM_DIR}\${MODULE}"
  ${EndIf}

  SetOutPath "$INSTDIR\${PROGRAM_DIR}"
  File "${BINDIR}/${PROGRAM}"
  File "${BINDIR}/${MODULE}"

  ; As regsvr32 does: the module's own DllRegisterServer. A module that
  ; cannot register is of no use to the host, and a scheduler without it
  ; never hears of the host, so the install is undone as a whole.
  ClearErrors
  RegDLL "$INSTDIR\${PROGRAM_DIR}\${MODULE}"
  ${If} ${Errors}
    DetailPrint "Registering $INSTDIR\${PROGRAM_DIR}\${MODULE} failed; undoing the install"
    UnRegDLL "$INSTDIR\${PROGRAM_DIR}\${MODULE}"
    ; Out of the program folder, which cannot go while it is the current one.
    SetOutPath "$INSTDIR"
    !insertmacro REMOVE_ENTRIES
    !insertmacro REMOVE_FILES "$INSTDIR\${PROGRAM_DIR}"
    MessageBox MB_OK|MB_ICONSTOP \
      "The extension module $INSTDIR\${PROGRAM_DIR}\${MODULE} could not be registered (its DllRegisterServer failed).$\r$\n$\r$\nNothing of ${PRODUCT} is installed now. Run the installer again as an administrator." \
      /SD IDOK
    Abort "Registering the extension module failed; nothing is installed."
  ${EndIf}

  WriteUninstaller "$INSTDIR\${PROGRAM_DIR}\${UNINSTALLER}"
  CreateShortCut "${SHORTCUT}" "$INSTDIR\${PROGRAM_DIR}\${PROGRAM}"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_DIR}\${PROGRAM}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${PROGRAM_DIR}\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${PROGRAM_DIR}\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR\${PROGRAM_DIR}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HostDirectory" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR\${PROGRAM_DIR}" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start at logon" SecLogon
  WriteRegStr HKLM "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${PROGRAM_DIR}\${PROGRAM}"'
  ; Running now, as it will after every logon; it also takes the place of
  ; one closed above.
  SetOutPath "$INSTDIR\${PROGRAM_DIR}"
  Exec '"$INSTDIR\${PROGRAM_DIR}\${PROGRAM}"'
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "kelmarwakeup.exe and OrvisaWakeup.dll in the subfolder ${PROGRAM_DIR}, the module registered for the host."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} "Start the scheduler whenever a user logs on, and start it now. Without it, start OrvisaWakeUp from the Start menu."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOAUTOSTART" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecLogon}
  ${EndIf}
FunctionEnd

; Runs from the program folder: $INSTDIR is <host>\orvisawakeup.
Section "Uninstall"
  DetailPrint "Removing ${PRODUCT} ${VERSION} from $INSTDIR"
  Call un.CloseScheduler
  ClearErrors
  UnRegDLL "$INSTDIR\${MODULE}"
  ${If} ${Errors}
    DetailPrint "The extension module did not unregister (already gone?)"
  ${EndIf}
  !insertmacro REMOVE_ENTRIES
  !insertmacro REMOVE_FILES "$INSTDIR"
SectionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd
