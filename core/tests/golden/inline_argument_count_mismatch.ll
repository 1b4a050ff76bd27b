define void @main() "entry_point" {
entry:
  call void @f(ptr null, i64 1)
  ret void
}
define void @f(ptr %q) {
b:
  ret void
}
