%Qubit = type opaque

define void @helper() {
entry:
  unreachable
}

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

define void @second() #0 {
entry:
  unreachable
}

declare void @__quantum__qis__h__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
