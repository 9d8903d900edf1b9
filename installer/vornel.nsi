; The Windows installer: per user (no administrator), into the user's own
; programs folder, with a Start-menu entry; the uninstaller takes away what
; was installed and the start-at-logon shortcut, and leaves the user's rules.
;
;   makensis -DDIST=folder -DOUTFILE=vornel-setup.exe installer/vornel.nsi
; DIST is the program's folder that scripts/windows-dist makes.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef DIST
  !error "DIST must name the program's folder (scripts/windows-dist)"
!endif
!ifndef OUTFILE
  !define OUTFILE "vornel-setup.exe"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vornel"
!define WM_CLOSE 16

Name "Vornel"
; NSIS speaks the user's display language among those it carries, and the
; first loaded elsewhere: French for French, English for anyone else, as the
; program does. Its captions ("Vornel Setup", "Installation de Vornel") come
; with the language.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\French.nlf"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Vornel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running Vornel is asked to close as a newer instance asks it: the send
; returns once it has saved, and its files can then be replaced.
!macro CloseRunningVornel
  FindWindow $0 "tfmVornelTray"
  StrCmp $0 0 +3
  SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=10000
  Sleep 1000
!macroend

Section "Vornel"
  !insertmacro CloseRunningVornel
  SetOutPath "$INSTDIR"
  File /r "${DIST}\*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Vornel.lnk" "$INSTDIR\vornel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vornel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "2003.03"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vornel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The settings (vornel.ini) and the log (vornel.log) are the user's: they
; stay, and so does the folder that holds them. The administrator's settings
; for every user, in %ProgramData%\Vornel, are no part of this install and
; are never touched.
Section "Uninstall"
  !insertmacro CloseRunningVornel
  Delete "$INSTDIR\vornel.exe"
  Delete "$INSTDIR\Qt6*.dll"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\imageformats"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Vornel.lnk"
  Delete "$SMSTARTUP\Vornel.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
