; The Windows installer of rm740-control, made by scripts/package-windows.sh:
;   makensis -DVERSION=1.0.0 -DSTAGE=<the programs' folder> -DFILES=<files.nsh>
;            -DOUTFILE=<installer.exe> -DICON=<the .ico> rm740-control.nsi
; FILES names what STAGE holds, for the install and the uninstall alike, so
; the uninstaller takes away what was installed and nothing else.
;
; Per user, without administrator rights: the programs go to the user's own
; %LOCALAPPDATA%\Programs, the Start-menu entry to the user's menu, the
; uninstaller's entry (Apps & features) to HKCU. The settings are left where
; they are (HKCU\Software\VB and VBA Program Settings\ORVA), as they are shared
; with the program this one stands in for.

; A 64-bit installer, as the programs are: it also runs where Windows (or Wine)
; has no 32-bit side.
Target amd64-unicode
!include "MUI2.nsh"

!define NAME "RM740 Control"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\rm740-control"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\rm740-control"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ManifestDPIAware true

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} ${VERSION} installer"
VIAddVersionKey /LANG=1033 "LegalCopyright" "rm740-control"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\rm740-control.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "${FILES}"

Section "Install"
    SetShellVarContext current
    SetOutPath "$INSTDIR"
    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\rm740-control.exe" "" "$INSTDIR\rm740-control.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "rm740-control"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\rm740-control.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${NAME}.lnk"
    !insertmacro UninstallFiles
    Delete "$INSTDIR\uninstall.exe"
    ; Only if empty: whatever the user put there stays.
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
