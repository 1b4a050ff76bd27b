define void @main() "entry_point" {
entry:
  ret void
}
é
  declare void @f(..., i64)
