; golden case define_header_word_before_name: a word between the return type and the name leaves the header unreadable, and the parser says so
%Qubit = type opaque
define void local @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}
declare void @__quantum__qis__h__body(%Qubit*)
attributes #0 = { "entry_point" "qir_profiles"="base_profile" }
