; The Windows setup program of Mehrsan, made by windows/make-setup.sh:
;   makensis -DVERSION=2.1 -DPROGRAM_DIR=<program folder> -DOUTFILE=<setup.exe> mehrsan.nsi
; A per-user install: no administrator is asked for. The program folder goes
; under the user's own profile (%LOCALAPPDATA%\Programs\Mehrsan), where the
; database and its backups live too, kept from other accounts by the
; profile's ACLs. An update (the same setup, started by Zelqupdate) replaces
; the program and keeps the clinic's database and backups.
Unicode true
; A 64-bit setup, as the program is: it runs where Windows runs 64-bit programs
; (and under a 64-bit Wine without its 32-bit part).
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not given"
!endif
!define PRODUCT "مهرسان"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mehrsan"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Mehrsan"
InstallDirRegKey HKCU "Software\Zelq\Mehrsan" "InstallDir"
BrandingText "Zelq"

!include MUI2.nsh
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Mehrsan.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Farsi"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_FARSI} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_FARSI} "CompanyName" "Zelq"
VIAddVersionKey /LANG=${LANG_FARSI} "LegalCopyright" "Zelq"
VIAddVersionKey /LANG=${LANG_FARSI} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FARSI} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_FARSI} "FileDescription" "${PRODUCT} ${VERSION}"

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; The program: everything but the database, replaced on every install.
  File /r /x DBTavor /x Back "${PROGRAM_DIR}\*.*"
  ; The shipped database only where there is none yet: an update keeps the
  ; clinic's records.
  SetOutPath "$INSTDIR\DBTavor"
  SetOverwrite off
  File "${PROGRAM_DIR}\DBTavor\DBTavor.mdb"
  SetOverwrite on
  CreateDirectory "$INSTDIR\Back"

  ; The shortcuts start the program in its own folder.
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Mehrsan.exe"
  CreateShortCut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\Mehrsan.exe"

  WriteRegStr HKCU "Software\Zelq\Mehrsan" "InstallDir" "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Zelq"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller removes the program and keeps the clinic's records: the
; database and the backups go only when this part is chosen.
Section "un.${PRODUCT}" UnProgram
  SectionIn RO
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  !include "${FILE_LIST}"
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Zelq\Mehrsan"
  ; Empty folders only: what holds records stays.
  RMDir "$INSTDIR\DBTavor"
  RMDir "$INSTDIR\Back"
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.پاک کردن بانک اطلاعات و پشتيبان ها" UnData
  RMDir /r "$INSTDIR\DBTavor"
  RMDir /r "$INSTDIR\Back"
  RMDir "$INSTDIR"
SectionEnd
