declare void @f(%Qubit*
define void @main() #0 {
  ret void
}
attributes #0 = { "entry_point" }
