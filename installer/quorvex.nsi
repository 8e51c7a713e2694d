; quorvex-setup.exe: installs Quorvex for the current user, no administrator rights.
;   quorvex-setup.exe [/S] [/D=folder]      install (silent with /S; /D= must come last)
;   uninstall.exe [/S]                      remove it again (the user's settings stay)
; makensis defines: VERSION, VERSION_QUAD, PUBLISHER, MAIN_EXE, UPDATER_EXE, ICON, SETTINGS, OUT_FILE.

; 64-bit like the programs it installs (Wine here has no 32-bit side, and neither program runs
; on a 32-bit Windows).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Quorvex"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvex"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define MAIN_CLASS "QuorvexMainForm"
!define UPDATER_CLASS "QvxUpgradedMainF"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvex"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "欢迎安装 ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} 通过调节屏幕色温保护您的双眼，连续用眼 45 分钟后提醒您休息。$\r$\n$\r$\n本程序只为当前用户安装，不需要管理员权限。$\r$\n$\r$\n点击“下一步”继续。"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "立即运行 ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartInstalled

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Var wasRunning

; Ends a running Quorvex the way closing its window does (identity ramp back, counters stored,
; tray icon removed) and waits until its program file is free; the updater likewise. Never
; terminated by force: a killed Quorvex would leave the screen tinted.
!macro CLOSE_RUNNING un
Function ${un}CloseRunning
    StrCpy $wasRunning 0
    ${ForEach} $R1 1 2 + 1
        ${If} $R1 == 1
            StrCpy $R2 "${MAIN_CLASS}"
            StrCpy $R3 "$INSTDIR\quorvex.exe"
        ${Else}
            StrCpy $R2 "${UPDATER_CLASS}"
            StrCpy $R3 "$INSTDIR\qvxUpgraded.exe"
        ${EndIf}
        FindWindow $R0 "$R2"
        ${If} $R0 <> 0
            ${If} $R1 == 1
                StrCpy $wasRunning 1
            ${EndIf}
            SendMessage $R0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
            ${For} $R4 1 100
                FindWindow $R0 "$R2"
                ${IfThen} $R0 = 0 ${|} ${Break} ${|}
                Sleep 100
            ${Next}
        ${EndIf}
        ; The window goes first, the process a moment later: wait until the file can be written.
        ${If} ${FileExists} "$R3"
            ${For} $R4 1 100
                ClearErrors
                FileOpen $R5 "$R3" a
                ${IfNot} ${Errors}
                    FileClose $R5
                    ${Break}
                ${EndIf}
                Sleep 100
            ${Next}
        ${EndIf}
    ${Next}
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

Function StartInstalled
    Exec '"$INSTDIR\quorvex.exe"'
FunctionEnd

Section "Quorvex" SecMain
    SetShellVarContext current
    Call CloseRunning
    SetOutPath "$INSTDIR"
    SetOverwrite on
    File "/oname=quorvex.exe" "${MAIN_EXE}"
    File "/oname=qvxUpgraded.exe" "${UPDATER_EXE}"
    File "/oname=quorvex.ico" "${ICON}"
    File "/oname=qvxUpgraded.ini" "${SETTINGS}"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\quorvex.exe" "" "$INSTDIR\quorvex.ico" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvex.ico"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

    ; A copy that was running when the setup began runs again, now the new one. Interactively
    ; the finish page offers that instead.
    ${If} $wasRunning == 1
    ${AndIf} ${Silent}
        Call StartInstalled
    ${EndIf}
SectionEnd

Section "Uninstall"
    SetShellVarContext current
    Call un.CloseRunning
    Delete "$INSTDIR\quorvex.exe"
    Delete "$INSTDIR\qvxUpgraded.exe"
    Delete "$INSTDIR\quorvex.ico"
    Delete "$INSTDIR\qvxUpgraded.ini"
    ; What the updater leaves: its work folder and files set aside by an update.
    RMDir /r "$INSTDIR\qvxUpgraded"
    Delete "$INSTDIR\*.qvxold"
    Delete "$INSTDIR\*.qvxdel"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "quorvex"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ; HKCU\Software\quorvex, the user's settings, stays for a later install.
SectionEnd
