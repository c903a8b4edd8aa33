; The setup program of Transvane for 64-bit Windows 10 and 11, made by makensis in the Windows build
; (target windows-package), which names what the build made:
;   -DVERSION=x.y.z -DOUTFILE=<setup.exe> -DGUI=<Transvane.exe> -DCLI=<transvane-cli.exe>
;   -DTRANSLATIONS=<folder of TransvaneRC_<language>.dll> -DMANUAL=<folder of the HTML pages>
;   -DICON=<the program's icon, 128.ico> -DWELCOME=<the first and last pages' picture, 164x314 BMP>
; Silent install: setup.exe /S [/PATH] [/D=folder] (/PATH puts the folder on the machine's PATH,
; /D= comes last and unquoted); silent uninstall: uninstall.exe /S.
Target amd64-unicode

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinMessages.nsh

!define PUBLISHER "Transvane maintainers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Transvane"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; The program tells Windows at start that its AutoPlay cancellation object exists; this is where.
!define AUTOPLAY_HANDLERS "Software\Microsoft\Windows\CurrentVersion\Explorer\AutoplayHandlers"
!define AUTOPLAY_KEY "${AUTOPLAY_HANDLERS}\CancelAutoplay\CLSID"
!define AUTOPLAY_VALUE "DB7F04B0-D48E-43f6-B12B-6B997E6E598A"

Name "Transvane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Transvane"
RequestExecutionLevel admin
ManifestDPIAware true
BrandingText "Transvane ${VERSION}"
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Transvane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Transvane ${VERSION} setup"
VIAddVersionKey "LegalCopyright" "2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WELCOME}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WELCOME}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The setup speaks the user's display language where the wizard has a translation.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Dutch"
!include "${__FILEDIR__}/texts.nsh"

; PathWithout: $R0 a PATH value, $R1 a folder -> $R2 the value without the entries naming that
; folder (compared as Windows compares names, with or without a closing backslash), $R3 1 when
; there was one and 0 when not. Every other entry, empty ones included, stays as it was.
!macro PATH_WITHOUT prefix
Function ${prefix}PathWithout
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  StrCpy $R2 ""
  StrCpy $R3 0
  StrCpy $0 ""  ; the entry being read
  StrCpy $1 0   ; the position
  StrLen $2 $R0
  StrCpy $4 0   ; whether an entry has been kept
  ${Do}
    StrCpy $3 $R0 1 $1
    ${If} $3 == ";"
    ${OrIf} $1 >= $2
      ${If} $0 == $R1
      ${OrIf} $0 == "$R1\"
        StrCpy $R3 1
      ${ElseIf} $4 = 1
        StrCpy $R2 "$R2;$0"
      ${Else}
        StrCpy $R2 $0
        StrCpy $4 1
      ${EndIf}
      StrCpy $0 ""
      ${IfThen} $1 >= $2 ${|} ${ExitDo} ${|}
    ${Else}
      StrCpy $0 "$0$3"
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro PATH_WITHOUT ""
!insertmacro PATH_WITHOUT "un."

Section "$(SectionProgramName)" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=Transvane.exe" "${GUI}"
  File "/oname=transvane-cli.exe" "${CLI}"
  SetOutPath "$INSTDIR\translations"
  File "${TRANSLATIONS}/TransvaneRC_*.dll"
  SetOutPath "$INSTDIR\manual"
  File "${MANUAL}/transvane.html"
  File "${MANUAL}/transvane-cli.html"

  ; The wizard speaks the user's language when a resource library beside it holds that language:
  ; the one of the installing user's display language, English (none) otherwise.
  Delete "$INSTDIR\TransvaneRC.dll"
  System::Call "kernel32::GetUserDefaultUILanguage() i .r0"
  IntOp $0 $0 & 0x3FF
  StrCpy $1 ""
  ${If} $0 = 0x0C
    StrCpy $1 fr
  ${ElseIf} $0 = 0x07
    StrCpy $1 de
  ${ElseIf} $0 = 0x0A
    StrCpy $1 es
  ${ElseIf} $0 = 0x10
    StrCpy $1 it
  ${ElseIf} $0 = 0x13
    StrCpy $1 nl
  ${EndIf}
  ${If} $1 != ""
    CopyFiles /SILENT "$INSTDIR\translations\TransvaneRC_$1.dll" "$INSTDIR\TransvaneRC.dll"
  ${EndIf}

  ; A standard user's wizard cannot write the machine's AutoPlay handler list itself.
  WriteRegStr HKLM "${AUTOPLAY_KEY}" "${AUTOPLAY_VALUE}" ""

  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\Transvane.lnk" "$INSTDIR\Transvane.exe" "" "$INSTDIR\Transvane.exe" 0
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Transvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Transvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The folder on the machine's PATH, so that a console finds transvane-cli. Only an entry this
; setup added is removed again, and only when the PATH fits what the setup can edit.
Section /o "$(SectionPathName)" SectionPath
  ClearErrors
  ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ${If} ${Errors}
    DetailPrint "$(PathCannotAdd)"
    Return
  ${EndIf}
  StrCpy $R1 "$INSTDIR"
  Call PathWithout
  ${If} $R3 = 1
    DetailPrint "$(PathHasFolder)"
    Return
  ${EndIf}
  StrLen $0 $R0
  StrLen $1 $INSTDIR
  IntOp $0 $0 + $1
  IntOp $0 $0 + 1
  ${If} $0 >= ${NSIS_MAX_STRLEN}
    DetailPrint "$(PathCannotAdd)"
    Return
  ${EndIf}
  StrCpy $0 $R0 1 -1
  ${If} $R0 == ""
  ${OrIf} $0 == ";"
    WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$R0$INSTDIR"
  ${Else}
    WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$R0;$INSTDIR"
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "PathEntry" "$INSTDIR"
  SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
SectionEnd

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PATH" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionPath}
  ${EndIf}
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Uninstall"
  ClearErrors
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "PathEntry"
  ${IfNot} ${Errors}
    ClearErrors
    ReadRegStr $R0 HKLM "${ENVIRONMENT_KEY}" "Path"
    ${If} ${Errors}
      DetailPrint "$(PathCannotRemove)"
    ${Else}
      Call un.PathWithout
      ${If} $R3 = 1
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$R2"
        SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      ${EndIf}
    ${EndIf}
  ${EndIf}

  ; Only what the setup put there: the folder may have been chosen with other files in it. A file
  ; in use (the wizard still open) goes when Windows next starts, and then its folders with it.
  Delete /REBOOTOK "$INSTDIR\Transvane.exe"
  Delete /REBOOTOK "$INSTDIR\transvane-cli.exe"
  Delete /REBOOTOK "$INSTDIR\TransvaneRC.dll"
  Delete /REBOOTOK "$INSTDIR\translations\TransvaneRC_*.dll"
  Delete /REBOOTOK "$INSTDIR\manual\transvane.html"
  Delete /REBOOTOK "$INSTDIR\manual\transvane-cli.html"
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR\translations"
    RMDir /REBOOTOK "$INSTDIR\manual"
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    RMDir "$INSTDIR\translations"
    RMDir "$INSTDIR\manual"
    RMDir "$INSTDIR"
  ${EndIf}
  Delete "$SMPROGRAMS\Transvane.lnk"

  ; The handler value is the machine's (the wizard writes no per-user one); the keys go with it
  ; only when nothing else is listed there.
  DeleteRegValue HKLM "${AUTOPLAY_KEY}" "${AUTOPLAY_VALUE}"
  DeleteRegKey /ifempty HKLM "${AUTOPLAY_KEY}"
  DeleteRegKey /ifempty HKLM "${AUTOPLAY_HANDLERS}\CancelAutoplay"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
