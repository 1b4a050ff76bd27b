; golden case zext_of_constants
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %z = zext i1 true to i64
  %w = zext i32 -1 to i64
  %c = icmp eq i64 %z, 1
  %d = icmp ugt i64 %w, 5
  %e = and i1 %c, %d
  br i1 %e, label %a, label %b
a:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %b
b:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__rt__result_record_output(%Result* null, i8* null)
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result*) #1
declare void @__quantum__rt__result_record_output(%Result*, i8*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="1" "required_num_results"="1" }
attributes #1 = { "irreversible" }
