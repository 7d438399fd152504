; The installer of 晴窗画匣: per user, no elevation. tools/make-release gives
; VERSION (as in the program's version resource), BUILD (the build folder),
; OUT (the installer's path) and, for the x86_64 build, TARGET amd64-unicode.
Unicode true
!ifdef TARGET
Target ${TARGET}
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include WinMessages.nsh

!define NAME "晴窗画匣"
!define PUBLISHER "晴窗工作室"
!define EXE "qingchuang.exe"
!define WINDOW_CLASS "Frmmain"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QingChuang"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\VB and VBA Program Settings\ravek"

Name "${NAME} ${VERSION}"
OutFile "${OUT}"
; The program writes its pictures and its list beside itself: a folder of the user's.
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${NAME}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${NAME} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) 2007-2026 ${PUBLISHER}"

!define MUI_ICON "${__FILEDIR__}/../../resources/app.ico"
!define MUI_UNICON "${__FILEDIR__}/../../resources/app.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Ends a running copy as the tray menu's quit does, and waits for it (10 s at most).
!macro CloseProgram
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 <> 0
        SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
        StrCpy $1 0
        ${DoWhile} $1 < 100
            Sleep 100
            FindWindow $0 "${WINDOW_CLASS}"
            ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
            IntOp $1 $1 + 1
        ${Loop}
    ${EndIf}
!macroend

Section "${NAME}" SecProgram
    SectionIn RO
    !insertmacro CloseProgram
    SetOutPath "$INSTDIR"
    ; Over an earlier install the settings and the Wallpaper folder stay as they are.
    File "${BUILD}\${EXE}"
    File "${BUILD}\help.chm"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${EXE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "开机时自动启动" SecRun
    WriteRegStr HKCU "${RUN_KEY}" "QingChuang" '"$INSTDIR\${EXE}"'
SectionEnd

; Unticked on a reinstall, the choice is taken back.
Section "-" SecRunOff
    ${IfNot} ${SectionIsSelected} ${SecRun}
        DeleteRegValue HKCU "${RUN_KEY}" "QingChuang"
    ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "程序与帮助文件。"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecRun} "登录 Windows 后自动启动${NAME}。"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The user's data goes only when the user says so.
Section "Uninstall"
    !insertmacro CloseProgram
    Delete "$INSTDIR\${EXE}"
    Delete "$INSTDIR\help.chm"
    Delete "$INSTDIR\deskurl.ini"
    Delete "$INSTDIR\uninstall.exe"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "QingChuang"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; /PURGE answers yes to both questions; a silent uninstall answers no.
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/PURGE" $R1
    StrCpy $R2 "purge"
    ${IfThen} ${Errors} ${|} StrCpy $R2 "ask" ${|}
    ${If} $R2 == "ask"
        MessageBox MB_YESNO|MB_ICONQUESTION "是否删除下载的壁纸（Wallpaper 文件夹中的 Tirnaco 图片）？" /SD IDNO IDNO keepPictures
    ${EndIf}
    ; Only the program's own pictures: the user's photos in the folder stay.
    Delete "$INSTDIR\Wallpaper\Tirnaco*.*"
    Delete "$INSTDIR\Tirnaco.bmp"
    RMDir "$INSTDIR\Wallpaper"
    keepPictures:
    ${If} $R2 == "ask"
        MessageBox MB_YESNO|MB_ICONQUESTION "是否删除保存的设置？" /SD IDNO IDNO keepSettings
    ${EndIf}
    DeleteRegKey HKCU "${SETTINGS_KEY}\setting"
    DeleteRegKey /ifempty HKCU "${SETTINGS_KEY}"
    keepSettings:
    RMDir "$INSTDIR"
SectionEnd
