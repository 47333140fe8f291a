# utiltool as a user runs it: output and exit status of each command.
if(TARGET utiltool)
  set(TOOL $<TARGET_FILE:utiltool>)
  set(EXPECT ${CMAKE_CURRENT_SOURCE_DIR}/tool/expect)
  function(tool_case name status out err)
    add_test(NAME Utiltool.${name} COMMAND ${EXPECT} ${status} ${out} ${err} -- ${TOOL} ${ARGN})
  endfunction()
  # The same through a shell, for standard input and pipes.
  function(tool_sh name status out err script)
    add_test(NAME Utiltool.${name} COMMAND ${EXPECT} ${status} ${out} ${err} -- sh -c "${script}")
  endfunction()
  set(L2 --lines A0,A1)
  set(L3 --lines A0,A1,A2)
  set(L2S "--lines A0,A1")
  set(L3S "--lines A0,A1,A2")
  tool_case(Init2eqGivesTheMinterms 0 "O = A0*~A1 + ~A0*A1\\n" - init2eq ${L2} 6)
  tool_case(Init2eqAssignFormTakesTheValuePart 0 "O=A0*A1\\n" - init2eq ${L2} --assign INIT=0x8)
  tool_case(Init2eqWarnsOnStderrWithTheTextAndStillPrints 0 "O = ~A0*~A1*~A2\\n"
    "utiltool: warning: INITSTATE string shorter than width of the ROM - padding with zeros\\. \\(in \"1\"\\)\\n"
    init2eq ${L3} 1)
  tool_case(Init2eqRefusesABadDigitNamingTheText 1 -
    "utiltool: error: Bad character 'G' in INITSTATE string\\. \\(in \"8G\"\\)\\n" init2eq ${L2} 8G)
  # Seven lines are refused by every command that reads a function, naming its range.
  foreach(command_text init2eq:8 eq2init:A0 check:A5)
    string(REPLACE ":" ";" command_text ${command_text})
    list(GET command_text 0 command)
    tool_case(${command}RefusesSevenLinesSayingTheRangeAndTheCountGiven 1 -
      "utiltool: error: Wrong number of address lines\\. \\(${command} takes 1 to 6 address lines, 7 given\\)\\n"
      ${command_text} --lines A0,A1,A2,A3,A4,A5,A6)
  endforeach()
  set(L6 --lines A0,A1,A2,A3,A4,A5)
  tool_case(Eq2initTakesSixLines 0 "FFFFFFFF00000000\\n" - eq2init ${L6} A5)
  tool_case(CheckTakesSixLines 0 "valid\\n" - check ${L6} "A5*~A0")
  tool_sh(TableOfSixLinesHasSixtyFourRows 0 "65\\n 1   1   1   1   1   1  | 1\\n" -
    "${TOOL} table --lines A0,A1,A2,A3,A4,A5 A5*A0 | wc -l | tr -d ' '; ${TOOL} table --lines A0,A1,A2,A3,A4,A5 A5*A0 | tail -n 1")
  tool_case(Init2eqTakesOneLine 0 "O = A0\\n" - init2eq --lines A0 2)
  tool_case(Init2eqMinimalGivesTheFewestTermsAndLiterals 0
    "O = ~A2*~A3 + A0*A1*~A3 + ~A0*A2*A3 + ~A1*A2*A3\\n" - init2eq --lines A0,A1,A2,A3 --minimal 708F)
  tool_sh(Init2eqMinimalInBatchAndJson 0
    "[\\n  {\"line\":1,\"name\":\"x\",\"input\":\"E\",\"ok\":true,\"equation\":\"x=A0+A1\"},\\n  {\"line\":2,\"name\":\"y\",\"input\":\"0\",\"ok\":true,\"equation\":\"y=0\"}\\n]\\n" -
    "printf 'x: E\\ny: 0\\n' | ${TOOL} init2eq ${L2S} --assign --minimal --json -f -")
  tool_case(KmapLabelsRowsAndColumnsInGrayOrder 0
    "A3 A2 \\\\ A1 A0\\n   00 01 11 10\\n00  1  1  1  1\\n01  0  0  1  0\\n11  1  1  0  1\\n10  0  0  0  0\\n" -
    kmap --lines A0,A1,A2,A3 "O = (A0*A1 + ~A2) @ A3")
  tool_case(KmapRefusesABadEquation 1 - "utiltool: error: Unknown literal \"B\"\\. \\(in \"B\"\\)\\n" kmap ${L2} B)
  tool_case(KmapTakesNoBatch 2 - "utiltool: kmap takes no -f .*\\n" kmap ${L2} -f -)
  tool_case(MinimalBelongsToInit2eq 2 - "utiltool: --minimal belongs to init2eq .*\\n" eq2init ${L2} --minimal A0)
  tool_case(Eq2initGivesTheDigits 0 "AA\\n" - eq2init ${L3} A0)
  tool_case(Eq2initAssignForm 0 "Q=0x8\\n" - eq2init ${L2} --lhs Q --assign "Q=A0*A1")
  tool_case(Eq2initRefusesAnEmptyEquation 1 - "utiltool: error: Empty equate string - ignoring\\. \\(in \"O = \"\\)\\n"
    eq2init ${L2} "O = ")
  tool_case(LinesAreTrimmedAroundNames 0 "8\\n" - eq2init --lines " A0 , A1 " "a0*A1")
  tool_case(LinesRefuseATextThatIsNoName 2 - "utiltool: --lines: \"A-0\" is not a name .*\\n"
    eq2init --lines A-0,A1 A1)
  tool_case(LinesRefuseANameGivenTwice 2 - "utiltool: --lines names \"a0\" twice .*\\n"
    eq2init --lines A0,a0 A0)
  tool_case(OperatorsOfOtherLanguagesAreRefused 1 - "utiltool: error: Unexpected '&'\\. \\(in \"A0&A1\"\\)\\n"
    eq2init ${L2} "A0&A1")
  # ~ tightest; * and @ one level grouping from the right; + loosest.
  tool_sh(OperatorPrecedenceAndGrouping 0
    "and-xor: 28\\nright: 28\\nleft: 78\\nxor-and: 6A\\nnot: 44\\nor: F8\\nor2: F8\\n" -
    "printf 'and-xor: A0*A1@A2\\nright: A0*(A1@A2)\\nleft: (A0*A1)@A2\\nxor-and: A0@A1*A2\\nnot: ~A0*A1\\nor: A0*A1+A2\\nor2: A2+A1*A0\\n' | ${TOOL} eq2init ${L3S} -f -")
  tool_case(CheckAcceptsAValue 0 "valid\\n" - check ${L2} 0x1F)
  tool_case(CheckAssignFormChecksTheLeftHandSide 1 -
    "utiltool: error: Invalid left hand side, \"INIT\"\\. \\(in \"OUT=0x1\"\\)\\n" check ${L2} --assign --lhs INIT OUT=0x1)
  tool_case(CheckRefusesABadHexDigit 1 -
    "utiltool: error: Invalid hexdecimal digit <G> in string \"0x1G\"\\. \\(in \"0x1G\"\\)\\n" check ${L2} 0x1G)
  tool_case(TableListsEveryAddress 0
    "A0  A1  | O\\n 0   0  | 0\\n 1   0  | 0\\n 0   1  | 0\\n 1   1  | 1\\n" - table ${L2} "A0*A1")
  tool_case(NoCommandIsBadUsage 2 - "utiltool: no command given .*\\n")
  tool_case(UnknownCommandIsBadUsage 2 - "utiltool: unknown command frob .*\\n" frob)
  tool_case(MissingLinesIsBadUsage 2 - "utiltool: --lines is required .*\\n" eq2init A0)
  tool_case(UnknownOptionIsBadUsage 2 - "utiltool: unknown option --frob .*\\n" eq2init ${L2} --frob A0)
  tool_case(VersionIsTheBuildsVersion 0 "utiltool (Utilities) ${PROJECT_VERSION}\\n" - --version)
  add_test(NAME Utiltool.HelpForEveryCommand COMMAND sh -c
    "for c in '' init2eq eq2init check table kmap ifile version; do ${TOOL} $c --help | grep -q usage || exit 1; done")
  add_test(NAME Utiltool.HelpAndManualPageDocumentTheGrammarAsRead
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tool/docs.sh ${TOOL} ${PROJECT_SOURCE_DIR}/tools/utiltool.1)

  # Batch mode: one result a line, refused lines reported with their number, run goes on.
  tool_sh(BatchReportsBadLinesAndGoesOn 1 "a: 8\\nd: 5\\n"
    "utiltool: error: <stdin>:4: b: Empty equate string - ignoring\\. \\(in \"A0\\+\"\\)\\nutiltool: error: <stdin>:5: expected NAME: TEXT or NAME = TEXT \\(in \"c A0\"\\)\\nutiltool: error: <stdin>:6: e: Unknown literal \"A2\"\\. \\(in \"A0 \\* A2\"\\)\\n"
    "printf 'a: A0*A1\\n# comment\\n\\n  b = A0+\\nc A0\\ne : A0 * A2\\nd:~A0\\r\\n' | ${TOOL} eq2init ${L2S} -f -")
  tool_sh(BatchInit2eqNamesEachEquationAndWarns 0 "x = A0*A1*~A2\\ny = ~A0*~A1*~A2 + A0*A1*A2\\nz = ~A0*~A1*~A2\\n"
    "utiltool: warning: <stdin>:3: z: INITSTATE string shorter than width of the ROM - padding with zeros\\. \\(in \"1\"\\)\\n"
    "printf 'x: 08\\ny = 81\\nz: 1\\n' | ${TOOL} init2eq ${L3S} -f -")
  tool_sh(BatchCheckSaysValidPerLine 1 "p: valid\\nq: valid\\n" "utiltool: error: <stdin>:3: r: .*\\n"
    "printf 'p: 0x1F\\nq = A0 @ A1\\nr: A0 +\\n' | ${TOOL} check ${L2S} -f -")
  tool_sh(BatchCheckInTheAssignFormReadsEachLineAsAnAssignment 1 "O: valid\\nINIT: valid\\n"
    "utiltool: error: <stdin>:3: V: Invalid hexdecimal digit <G> in string \"0x1G\"\\. \\(in \"0x1G\"\\)\\n"
    "printf 'O = A0*A1\\nINIT: 0x1F\\nV = 0x1G\\n' | ${TOOL} check ${L2S} --assign -f -")
  tool_sh(BatchResultsRoundTrip 0 - -
    "f=$(mktemp); printf 'a: 06\\nb: 96\\nc: 00\\n' >$f; ${TOOL} init2eq ${L3S} -f $f | ${TOOL} eq2init ${L3S} -f - | diff - $f; rc=$?; rm -f $f; exit $rc")
  tool_sh(OutputThatCannotBeWrittenIsAFailure 0 "1 1\\n" -
    "${TOOL} eq2init ${L2S} A0 >/dev/full 2>/dev/null; a=$?; seq 1 20000 | sed 's/^/n/; s/$/: A0/' | ${TOOL} eq2init ${L2S} -f - >/dev/full 2>/dev/null; echo $a $?")
  tool_case(BatchFromAMissingFileIsRefused 1 - "utiltool: error: cannot read /nonexistent/x: .*\\n"
    eq2init ${L2} -f /nonexistent/x)
  tool_case(BatchAndATextTogetherIsBadUsage 2 - "utiltool: eq2init takes exactly one text, or -f FILE .*\\n"
    eq2init ${L2} -f - A0)

  # One JSON document per run; refusals appear in it, not on standard error.
  tool_case(JsonEq2init 0 "{\"input\":\"A0*A1\",\"ok\":true,\"init\":\"8\"}\\n" - --json eq2init ${L2} A0*A1)
  tool_case(JsonRefusalCarriesTheMessage 1
    "{\"input\":\"A0+\",\"ok\":false,\"error\":\"Empty equate string - ignoring.\"}\\n" - eq2init ${L2} --json A0+)
  tool_case(JsonInit2eqWarning 0
    "{\"input\":\"1\",\"ok\":true,\"equation\":\"O = ~A0*~A1*~A2\",\"warning\":\"INITSTATE string shorter than width of the ROM - padding with zeros.\"}\\n"
    - init2eq ${L3} 1 --json)
  tool_case(JsonCheck 0 "{\"input\":\"A0\",\"ok\":true,\"valid\":true}\\n" - check ${L2} A0 --json)
  tool_case(JsonTable 0 "{\"input\":\"A0\",\"ok\":true,\"init\":\"A\",\"lines\":[\"A0\",\"A1\"],\"values\":[0,1,0,1]}\\n"
    - table ${L2} A0 --json)
  tool_case(JsonUsageErrorsStayOnStderr 2 - "utiltool: --lines is required .*\\n" --json eq2init A0)
  tool_sh(JsonBatchIsOneArrayWithAnObjectPerItem 1
    "[\\n  {\"line\":1,\"name\":\"a\",\"input\":\"A0*A1\",\"ok\":true,\"init\":\"8\"},\\n  {\"line\":3,\"name\":\"\",\"input\":\"junk\",\"ok\":false,\"error\":\"expected NAME: TEXT or NAME = TEXT\"}\\n]\\n" -
    "printf 'a: A0*A1\\n\\njunk\\n' | ${TOOL} --json eq2init ${L2S} -f -")
  tool_sh(JsonBatchOfNothingIsAnEmptyArray 0 "[]\\n" - "printf '# none\\n' | ${TOOL} --json eq2init ${L2S} -f -")
  tool_sh(JsonKeepsInvalidUtf8Readable 1 "{\"input\":\"A0\\0357\\0277\\0275\",\"ok\":false,\"error\":\"Unexpected '?'.\"}\\n" -
    "${TOOL} --json eq2init ${L2S} \"$(printf 'A0\\377')\"")
  tool_case(JsonVersion 0 "{\"ok\":true,\"version\":\"${PROJECT_VERSION}\"}\\n" - --json --version)

  add_test(NAME Utiltool.IfileCreateListExtractAndDamagedFiles
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tool/ifile.sh ${TOOL})
  add_test(NAME Utiltool.VersionLooksUpInstallRecords
    COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tool/version.sh ${TOOL})
endif()
