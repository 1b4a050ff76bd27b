; golden case unsupported_opcode_in_second_unlabelled_block
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
  call void @__quantum__qis__h__body(%Qubit* null)
  br label %1
1:
  %v = fcmp oeq double 1.0, 2.0
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
