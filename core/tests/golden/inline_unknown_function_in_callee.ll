define void @main() "entry_point" {
entry:
  %x = call i64 @f()
  %y = add i64 %x, 1
  ret void
}
define i64 @f() {
b:
  %r = call i64 @__quantum__rt__mystery()
  ret i64 %r
}
declare i64 @__quantum__rt__mystery()
