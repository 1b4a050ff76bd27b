; golden case names_with_dashes: a `-` belongs to a name as `.` and `_` do, in
; labels, values, globals and functions
%Qubit = type opaque
%Result = type opaque
@out-0 = internal constant [3 x i8] c"r0\00"

define void @main-1() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %is-one = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %is-one, label %then-1, label %join-1
then-1:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %join-1
join-1:
  call void @__quantum__rt__result_record_output(%Result* null, i8* getelementptr inbounds ([3 x i8], [3 x i8]* @out-0, i32 0, i32 0))
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result*)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare void @__quantum__rt__result_record_output(%Result*, i8*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="1" "required_num_results"="1" }
