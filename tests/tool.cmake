# utiltool as a user runs it: output and exit status of each command.
if(TARGET utiltool)
  set(TOOL $<TARGET_FILE:utiltool>)
  set(EXPECT ${CMAKE_CURRENT_SOURCE_DIR}/tool/expect)
  function(tool_case name status out err)
    add_test(NAME Utiltool.${name} COMMAND ${EXPECT} ${status} ${out} ${err} -- ${TOOL} ${ARGN})
  endfunction()
  set(L2 --lines A0,A1)
  set(L3 --lines A0,A1,A2)
  tool_case(Init2eqGivesTheMinterms 0 "O = A0*~A1 + ~A0*A1\\n" - init2eq ${L2} 6)
  tool_case(Init2eqAssignFormTakesTheValuePart 0 "O=A0*A1\\n" - init2eq ${L2} --assign INIT=0x8)
  tool_case(Init2eqWarnsOnStderrAndStillPrints 0 "O = ~A0*~A1*~A2\\n"
    "utiltool: warning: INITSTATE string shorter than width of the ROM - padding with zeros\\.\\n"
    init2eq ${L3} 1)
  tool_case(Init2eqRefusesABadDigit 1 - "utiltool: error: Bad character 'G' in INITSTATE string\\.\\n"
    init2eq ${L2} G)
  tool_case(Init2eqRefusesOneLine 1 - "utiltool: error: Wrong number of address lines\\.\\n"
    init2eq --lines A0 8)
  tool_case(Eq2initGivesTheDigits 0 "AA\\n" - eq2init ${L3} A0)
  tool_case(Eq2initAssignForm 0 "Q=0x8\\n" - eq2init ${L2} --lhs Q --assign "Q=A0*A1")
  tool_case(Eq2initRefusesAnEmptyEquation 1 - "utiltool: error: Empty equate string - ignoring\\.\\n"
    eq2init ${L2} "O = ")
  tool_case(CheckAcceptsAValue 0 "valid\\n" - check ${L2} 0x1F)
  tool_case(CheckAssignFormChecksTheLeftHandSide 1 -
    "utiltool: error: Invalid left hand side, \"INIT\"\\.\\n" check ${L2} --assign --lhs INIT OUT=0x1)
  tool_case(CheckRefusesABadHexDigit 1 -
    "utiltool: error: Invalid hexdecimal digit <G> in string \"0x1G\"\\.\\n" check ${L2} 0x1G)
  tool_case(TableListsEveryAddress 0
    "A0  A1  | O\\n 0   0  | 0\\n 1   0  | 0\\n 0   1  | 0\\n 1   1  | 1\\n" - table ${L2} "A0*A1")
  tool_case(NoCommandIsBadUsage 2 - "utiltool: no command given .*\\n")
  tool_case(UnknownCommandIsBadUsage 2 - "utiltool: unknown command frob .*\\n" frob)
  tool_case(MissingLinesIsBadUsage 2 - "utiltool: --lines is required .*\\n" eq2init A0)
  tool_case(UnknownOptionIsBadUsage 2 - "utiltool: unknown option --frob .*\\n" eq2init ${L2} --frob A0)
  add_test(NAME Utiltool.HelpForEveryCommand COMMAND sh -c
    "for c in '' init2eq eq2init check table ifile version; do ${TOOL} $c --help | grep -q usage || exit 1; done")
  add_test(NAME Utiltool.IfileCreateListExtractAndDamagedFiles
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tool/ifile.sh ${TOOL})
  add_test(NAME Utiltool.VersionLooksUpInstallRecords
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tool/version.sh ${TOOL})
endif()
