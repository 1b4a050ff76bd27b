; golden case qubit_from_array_at_run_time_index: qubits of a constant array
; read at a loop counter's index: the loop is unrolled, one copy per element
@array0 = internal constant [2 x ptr] [ptr null, ptr inttoptr (i64 1 to ptr)]

define void @main() #0 {
entry:
  %i = alloca i64, align 8
  store i64 0, ptr %i, align 8
  br label %head
head:
  %k = load i64, ptr %i, align 8
  %more = icmp slt i64 %k, 2
  br i1 %more, label %body, label %done
body:
  %slot = getelementptr ptr, ptr @array0, i64 %k
  %q = load ptr, ptr %slot, align 8
  call void @__quantum__qis__x__body(ptr %q)
  %next = add i64 %k, 1
  store i64 %next, ptr %i, align 8
  br label %head
done:
  ret void
}

declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
