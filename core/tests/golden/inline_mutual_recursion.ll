define void @main() "entry_point" {
entry:
  call void @f(ptr null)
  ret void
}
define void @f(ptr %q) {
b:
  call void @g(ptr %q)
  ret void
}
define void @g(ptr %p) {
b:
  call void @f(ptr %p)
  ret void
}
