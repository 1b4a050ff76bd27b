; golden case inline_return_value: a multi-block function defined before the
; entry point returns an integer that depends on a measurement; it is called
; twice, and a rotation helper takes a double parameter
@0 = internal constant [3 x i8] c"i0\00"
@1 = internal constant [3 x i8] c"i1\00"

define internal i64 @MeasureScaled(ptr %q, ptr %r, i64 %scale) {
start:
  %slot = alloca i64
  call void @__quantum__qis__mresetz__body(ptr %q, ptr %r)
  %bit = call i1 @__quantum__rt__read_result(ptr %r)
  br i1 %bit, label %one, label %zero
one:
  store i64 %scale, ptr %slot
  br label %done
zero:
  store i64 1, ptr %slot
  br label %done
done:
  %v = load i64, ptr %slot
  %w = add i64 %v, 2
  ret i64 %w
}

define internal void @Rotate(double %theta, ptr %q) {
start:
  call void @__quantum__qis__rx__body(double %theta, ptr %q)
  ret void
}

define i64 @main() #0 {
entry:
  call void @Rotate(double 1.5, ptr inttoptr (i64 0 to ptr))
  %a = call i64 @MeasureScaled(ptr inttoptr (i64 0 to ptr), ptr inttoptr (i64 0 to ptr), i64 5)
  call void @__quantum__qis__x__body(ptr inttoptr (i64 1 to ptr))
  %b = call i64 @MeasureScaled(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr), i64 %a)
  %s = mul i64 %a, %b
  call void @__quantum__rt__int_record_output(i64 %a, ptr @0)
  call void @__quantum__rt__int_record_output(i64 %s, ptr @1)
  ret i64 0
}

declare void @__quantum__qis__rx__body(double, ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mresetz__body(ptr, ptr) #1
declare i1 @__quantum__rt__read_result(ptr)
declare void @__quantum__rt__int_record_output(i64, ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="2" "required_num_results"="2" }
attributes #1 = { "irreversible" }
