define void @main() "entry_point" {
entry:
  call void @f(i64 1)
  ret void
}
define void @f(i64 %n, ...) {
b:
  ret void
}
