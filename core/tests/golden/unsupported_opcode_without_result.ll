define void @main() "entry_point" {
  br label %1
1:
  fcmp oeq double 1.0, 2.0
}
