; golden case if_else_diamond_opaque_pointers
define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %m = call i1 @__quantum__qis__read_result__body(ptr null)
  %n = xor i1 %m, true
  br i1 %n, label %then, label %else
then:
  call void @__quantum__qis__rx__body(double 0.5, ptr inttoptr (i64 1 to ptr))
  br label %cont
else:
  call void @__quantum__qis__cnot__body(ptr null, ptr inttoptr (i64 1 to ptr))
  br label %cont
cont:
  ret void
}

declare void @__quantum__qis__cnot__body(ptr, ptr)
declare void @__quantum__qis__rx__body(double, ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly)
declare i1 @__quantum__qis__read_result__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
