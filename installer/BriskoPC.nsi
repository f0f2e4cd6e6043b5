; BriskoPC's setup program: one file that installs the client, its idle
; tracker and its help, for all users of the computer or for the current user
; only, and the uninstaller that takes them away again.
;
;   makensis -INPUTCHARSET UTF8 -DVERSION=0.22 -DBINDIR=DIR -DOUTFILE=FILE BriskoPC.nsi
;
; DIR holds BriskoPC.exe, Tarnix.dll and bpc.chm. The setup program takes /S
; (no pages), /AllUsers or /CurrentUser (the mode without its page) and
; /D=FOLDER (last). The uninstaller is registered with the mode it was
; installed in.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true

!ifndef VERSION | BINDIR | OUTFILE
  !error "VERSION, BINDIR and OUTFILE must be defined"
!endif

!define PRODUCT "BriskoPC"
!define PUBLISHER "Velmora"
!define PRODUCT_KEY "Software\Velmora\BriskoPC"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\BriskoPC"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The client's main window registers this class; a second client finds the
; first one by it, and so do we.
!define CLIENT_CLASS "BriskoPCClass"

Name "${PRODUCT}"
Caption "Instalator programu ${PRODUCT} ${VERSION}"
UninstallCaption "Odinstalowanie programu ${PRODUCT}"
BrandingText "${PUBLISHER}"
OutFile "${OUTFILE}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1045 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1045 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1045 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1045 "FileDescription" "Instalator programu ${PRODUCT}"
VIAddVersionKey /LANG=1045 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1045 "LegalCopyright" "Copyright © ${PUBLISHER}"

!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
; An installation over an earlier one keeps its folder and its mode.
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${PRODUCT_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallPath"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${PRODUCT_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallPath"
!define MULTIUSER_INIT_TEXT_ADMINREQUIRED "Instalacja programu ${PRODUCT} wymaga uprawnień administratora."
!define MULTIUSER_INIT_TEXT_POWERREQUIRED "Instalacja programu ${PRODUCT} wymaga uprawnień administratora."
!define MULTIUSER_INIT_TEXT_ALLUSERSNOTPOSSIBLE "Twoje konto nie ma uprawnień, by zainstalować program ${PRODUCT} dla wszystkich użytkowników tego komputera."
!include MultiUser.nsh
!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define MUI_ICON "${BINDIR}\BriskoPC.ico"
!define MUI_UNICON "${BINDIR}\BriskoPC.ico"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Ten kreator zainstaluje program ${PRODUCT} ${VERSION}: klienta serwisu Brisko, przez który wyślesz SMS na telefony komórkowe i porozmawiasz z innymi użytkownikami.$\r$\n$\r$\nJeśli program ${PRODUCT} jest uruchomiony, instalator go zamknie; Twoje kontakty, skrzynka nadawcza i ustawienia pozostaną nienaruszone.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\BriskoPC.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Polish"

; ---- the running client ------------------------------------------------------

; Waits for a client that is ending (an update starts us just before its
; client quits), then ends one that still runs the way Windows ends programs
; when it shuts down: the client saves its contacts and outbox on the session's
; end, and its process is ended after that. Last, waits until no process runs
; the program file any more, so that it can be replaced or removed.
!macro ClientFunctions UN
Function ${UN}CloseClient
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${CLIENT_CLASS}"
    ${If} $0 == 0
    ${OrIf} $1 >= 20
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
    Sleep 250
  ${Loop}
  ${If} $0 != 0
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "Program ${PRODUCT} jest uruchomiony. Zostanie teraz zamknięty; jego kontakty i skrzynka nadawcza zostaną zapisane." /SD IDOK IDOK close
      SetErrorLevel 2
      Quit
  close:
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r2)"
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call "kernel32::OpenProcess(i 0x00100001, i 0, i r2) p .r3"
    SendMessage $0 ${WM_QUERYENDSESSION} 0 0 $2 /TIMEOUT=5000
    SendMessage $0 ${WM_ENDSESSION} 1 0 $2 /TIMEOUT=5000
    ${If} $3 P<> 0
      System::Call "kernel32::TerminateProcess(p r3, i 0)"
      System::Call "kernel32::WaitForSingleObject(p r3, i 5000)"
      System::Call "kernel32::CloseHandle(p r3)"
    ${EndIf}
    FindWindow $0 "${CLIENT_CLASS}"
    ${If} $0 != 0
      MessageBox MB_OK|MB_ICONSTOP "Nie udało się zamknąć programu ${PRODUCT}. Zamknij go i uruchom instalator ponownie." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  ; A process whose window is gone may still hold the program file.
  Push "$INSTDIR\BriskoPC.exe"
  Call ${UN}WaitUntilWritable
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Waits up to 10 s for the file on the stack to be free for writing.
Function ${UN}WaitUntilWritable
  Exch $0
  Push $1
  Push $2
  StrCpy $1 0
  ${If} ${FileExists} $0
    ${Do}
      ClearErrors
      FileOpen $2 $0 a
      ${IfNot} ${Errors}
        FileClose $2
        ${Break}
      ${EndIf}
      IntOp $1 $1 + 1
      ${If} $1 > 40
        ${Break}
      ${EndIf}
      Sleep 250
    ${Loop}
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; The client's input hooks bring Tarnix.dll into other programs (the desktop's
; shell among them), which keep it loaded after the client has ended. Such a
; file cannot be overwritten or deleted, but it can be renamed: it steps aside
; under a name of its own, which goes when Windows next starts, and leaves its
; own name free (a deletion pending for that name would take a newer copy).
Function ${UN}MoveAsideLoadedLibrary
  ${IfNot} ${FileExists} "$INSTDIR\Tarnix.dll"
    Return
  ${EndIf}
  ClearErrors
  Delete "$INSTDIR\Tarnix.dll"
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  GetTempFileName $0 "$INSTDIR"
  Delete $0
  Rename "$INSTDIR\Tarnix.dll" $0
  Delete /REBOOTOK $0
FunctionEnd
!macroend
!insertmacro ClientFunctions ""
!insertmacro ClientFunctions "un."

; ---- installation -------------------------------------------------------------



Function .onInit
  ; The mode's own folder, unless /D named one.
  StrCpy $0 $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call CloseClient
  SetOutPath "$INSTDIR"
  File "${BINDIR}\BriskoPC.exe"
  Call MoveAsideLoadedLibrary
  File "${BINDIR}\Tarnix.dll"
  File "${BINDIR}\bpc.chm"
  WriteUninstaller "$INSTDIR\Odinstaluj.exe"

  ; Start-up reads it (the machine's first, then the user's) to find the help.
  WriteRegStr SHCTX "${PRODUCT_KEY}" "InstallPath" "$INSTDIR"

  ; The shortcuts start the program in its folder.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\BriskoPC.exe" "" "$INSTDIR\BriskoPC.exe" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\BriskoPC.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Odinstaluj.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Odinstaluj.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Skrót na pulpicie" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\BriskoPC.exe" "" "$INSTDIR\BriskoPC.exe" 0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Program ${PRODUCT}, biblioteka Tarnix.dll i pomoc. Skrót w menu Start."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "Skrót do programu ${PRODUCT} na pulpicie."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---- uninstallation -------------------------------------------------------------

Function un.onInit
  !insertmacro MULTIUSER_UNINIT
FunctionEnd

Section "Uninstall"
  Call un.CloseClient

  ; The contacts, the outbox, the chat history, the sent SMS and the settings
  ; are the user's: kept unless the user says otherwise.
  SetShellVarContext current
  ${If} ${FileExists} "$APPDATA\${PRODUCT}\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION "Czy zachować Twoje dane programu ${PRODUCT} (kontakty, skrzynkę nadawczą, historię rozmów, wysłane SMSy i ustawienia) w folderze $APPDATA\${PRODUCT}?$\r$\n$\r$\nPrzydadzą się, jeśli zainstalujesz program ponownie." /SD IDYES IDYES +2
      RMDir /r "$APPDATA\${PRODUCT}"
  ${EndIf}
  ; Autostart is the user's own setting, kept under the user's key.
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ; The shortcuts are where the installation's mode put them.
  ${If} $MultiUser.InstallMode == "AllUsers"
    SetShellVarContext all
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  DeleteRegValue SHCTX "${PRODUCT_KEY}" "InstallPath"
  DeleteRegKey /ifempty SHCTX "${PRODUCT_KEY}"
  DeleteRegKey /ifempty SHCTX "Software\Velmora"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

  ; The folder goes last: once it is gone, so is everything else. A library
  ; still loaded by other programs goes when Windows next starts, and the
  ; folder with it.
  Delete "$INSTDIR\BriskoPC.exe"
  Delete "$INSTDIR\bpc.chm"
  Call un.MoveAsideLoadedLibrary
  Delete "$INSTDIR\*.tmp"
  Delete "$INSTDIR\Odinstaluj.exe"
  RMDir /REBOOTOK "$INSTDIR"
  ${If} ${RebootFlag}
    MessageBox MB_OK|MB_ICONINFORMATION "Część plików programu ${PRODUCT} zostanie usunięta po ponownym uruchomieniu komputera." /SD IDOK
  ${EndIf}
SectionEnd
