; golden case struct_pointer_return_type: a declaration returning a pointer to a literal struct is read, though never called
%Qubit = type opaque
define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}
declare { i64, i1 }* @__quantum__rt__unused_pair()
declare void @__quantum__qis__h__body(%Qubit*)
attributes #0 = { "entry_point" "qir_profiles"="base_profile" }
