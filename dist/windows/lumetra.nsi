; The Windows installer of Lumetra. scripts/package-windows stages the files and passes:
;   VERSION  the program's version
;   STAGE    the staged folder (everything in it is installed)
;   FILES    an include file of File lines, one per staged file
;   REMOVE   an include file of Delete and RMDir lines, the same files undone
;   OUTFILE  the installer to write
; A 64-bit installer: Wine without its 32-bit half (Debian's wine64) runs only those.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumetra"

Name "Lumetra ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Lumetra"
BrandingText "Lumetra ${VERSION}"

!include "MUI2.nsh"
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; For every user of the machine: the 64-bit registry, the common Start menu.
Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Lumetra"
    SetOutPath "$INSTDIR"
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; The menu entry starts the program in its data folder (%LOCALAPPDATA%\lumetra), where it
    ; keeps the backup text and its fonts, as the Linux menu entry does.
    CreateDirectory "$SMPROGRAMS\Lumetra"
    CreateShortCut "$SMPROGRAMS\Lumetra\Lumetra.lnk" "$INSTDIR\lumetra.exe" "--data-folder"
    CreateShortCut "$SMPROGRAMS\Lumetra\Справка Lumetra.lnk" "$INSTDIR\doc\lumetra.txt"

    WriteRegStr HKLM "${KEY}" "DisplayName" "Lumetra"
    WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${KEY}" "Publisher" "Lumetra"
    WriteRegStr HKLM "${KEY}" "DisplayIcon" "$INSTDIR\lumetra.exe"
    WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    ; Only the files the installer brought: a folder the operator chose may hold others.
    !include "${REMOVE}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Lumetra\Lumetra.lnk"
    Delete "$SMPROGRAMS\Lumetra\Справка Lumetra.lnk"
    RMDir "$SMPROGRAMS\Lumetra"
    DeleteRegKey HKLM "${KEY}"
SectionEnd
