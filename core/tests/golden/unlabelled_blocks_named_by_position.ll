; golden case unlabelled_blocks_named_by_position
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
  call void @__quantum__qis__h__body(%Qubit* null)
  br label %1
1:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %2
2:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
