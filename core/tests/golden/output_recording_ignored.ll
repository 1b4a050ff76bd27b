; golden case output_recording_ignored
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__rt__initialize(i8* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__rt__result_record_output(%Result* inttoptr (i64 9 to %Result*), i8* null)
  call void @__quantum__rt__array_record_output(i64 2, i8* null)
  call void @__quantum__rt__tuple_record_output(i64 1, i8* null)
  call void @__quantum__rt__integer_record_output(i64 5, i8* null)
  call void @__quantum__rt__int_record_output(i64 5, i8* null)
  call void @__quantum__rt__bool_record_output(i1 true, i8* null)
  call void @__quantum__rt__double_record_output(double 1.5, i8* null)
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare void @__quantum__rt__result_record_output(%Result*, i8*)
declare void @__quantum__rt__array_record_output(i64, i8*)
declare void @__quantum__rt__tuple_record_output(i64, i8*)
declare void @__quantum__rt__integer_record_output(i64, i8*)
declare void @__quantum__rt__int_record_output(i64, i8*)
declare void @__quantum__rt__bool_record_output(i1, i8*)
declare void @__quantum__rt__double_record_output(double, i8*)
declare void @__quantum__rt__initialize(i8*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
