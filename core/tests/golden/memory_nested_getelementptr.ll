; golden case memory_nested_getelementptr: slots are named by their byte offset
; through chained getelementptrs of one, two and three indices; volatile
; accesses are plain ones
define void @main() #0 {
entry:
  %a = alloca [2 x [4 x i64]], align 8
  %row0 = getelementptr [2 x [4 x i64]], ptr %a, i64 0, i64 0
  %e01 = getelementptr [4 x i64], ptr %row0, i64 0, i64 1
  %row1 = getelementptr inbounds [2 x [4 x i64]], ptr %a, i64 0, i64 1
  %e10 = getelementptr [4 x i64], ptr %row1, i64 0, i64 0
  %e10b = getelementptr i64, ptr %e01, i64 3
  %e13 = getelementptr [2 x [4 x i64]], ptr %a, i64 0, i64 1, i64 3
  store i64 5, ptr %e01, align 8
  store i64 4, ptr %e10, align 8
  store volatile i64 9, ptr %e10b, align 8
  store i64 2, ptr %e13, align 8
  %v = load i64, ptr %e01, align 8
  %w = load volatile i64, ptr %e10, align 8
  %f = sitofp i64 %v to double
  call void @__quantum__qis__rx__body(double %f, ptr null)
  %g = sitofp i64 %w to double
  call void @__quantum__qis__ry__body(double %g, ptr null)
  %s = alloca { i8, i64, [3 x i16] }, align 8
  %s1 = getelementptr { i8, i64, [3 x i16] }, ptr %s, i32 0, i32 1
  %s22 = getelementptr { i8, i64, [3 x i16] }, ptr %s, i32 0, i32 2, i32 2
  %s22b = getelementptr i16, ptr %s1, i64 6
  store i64 1, ptr %s1, align 8
  store i16 3, ptr %s22, align 2
  %x = load i16, ptr %s22b, align 2
  %q = inttoptr i16 %x to ptr
  call void @__quantum__qis__x__body(ptr %q)
  %y = load i64, ptr %e13, align 8
  %r = inttoptr i64 %y to ptr
  call void @__quantum__qis__x__body(ptr %r)
  ret void
}

declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__rx__body(double, ptr)
declare void @__quantum__qis__ry__body(double, ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
