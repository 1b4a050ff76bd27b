; golden case inlined_unary_float_operations: fneg and a conversion are the
; last operations of the functions they are inlined from
define internal double @negate(double %a) {
entry:
  %n = fneg double %a
  ret double %n
}

define internal double @widen(i64 %k) {
entry:
  %d = sitofp i64 %k to double
  ret double %d
}

define void @main() #0 {
entry:
  %x = call double @negate(double 0.5)
  call void @__quantum__qis__rx__body(double %x, ptr null)
  %y = call double @widen(i64 3)
  call void @__quantum__qis__ry__body(double %y, ptr null)
  ret void
}

declare void @__quantum__qis__rx__body(double, ptr)
declare void @__quantum__qis__ry__body(double, ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
