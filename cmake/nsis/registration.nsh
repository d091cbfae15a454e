; What the setup program adds beyond the files and shortcuts, and what its
; uninstaller takes away again: the .usr project files open with the program.
; Only the program's own keys are written or removed; a .usr key that another
; program has taken over since is left to it.

!define TESRA_PROGID "TesraConfig.Project"

!macro TesraRegisterProjects
  WriteRegStr HKCR ".usr" "" "${TESRA_PROGID}"
  WriteRegStr HKCR "${TESRA_PROGID}" "" "Проект конфигурации TesraConfig"
  WriteRegStr HKCR "${TESRA_PROGID}\DefaultIcon" "" "$INSTDIR\tesraconfig.exe,0"
  WriteRegStr HKCR "${TESRA_PROGID}\shell\open\command" "" '"$INSTDIR\tesraconfig.exe" "%1"'
  ; Explorer shows the new icon and type without a new log-on.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

!macro TesraUnregisterProjects
  ReadRegStr $0 HKCR ".usr" ""
  StrCmp $0 "${TESRA_PROGID}" 0 +3
    DeleteRegValue HKCR ".usr" ""
    DeleteRegKey /ifempty HKCR ".usr"
  DeleteRegKey HKCR "${TESRA_PROGID}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend
