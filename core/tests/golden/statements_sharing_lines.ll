; golden case statements_sharing_lines: LLVM reads a line break as a blank, so
; a body may start on the header's line, a label may share its line with an
; instruction, two instructions may share a line and a closing brace may follow
; the last instruction
%Qubit = type opaque
%Result = type opaque
@0 = internal constant [3 x i8] c"r0\00"

define void @main() #0 { call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %one = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %one, label %then, label %join
then: call void @__quantum__qis__x__body(%Qubit* null) call void @__quantum__qis__z__body(%Qubit* null)
  br label %join
join: ; preds = %0, %then
  call void @__quantum__rt__result_record_output(%Result* null, i8* getelementptr inbounds ([3 x i8], [3 x i8]* @0, i32 0, i32 0))
  ret void } ; end of main

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__z__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result*)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare void @__quantum__rt__result_record_output(%Result*, i8*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="1" "required_num_results"="1" }
