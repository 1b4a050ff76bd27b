define void @main() "entry_point" {
entry:
  call void @__quantum__qis__h__body(
      %Qubit* null)
  ret void
}
