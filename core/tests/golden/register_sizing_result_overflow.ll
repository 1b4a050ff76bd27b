; golden case register_sizing_result_overflow
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* inttoptr (i64 9223372036854775807 to %Result*))
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
