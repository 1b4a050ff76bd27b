; golden case loop_exit_on_measurement_needs_counter: a loop that addresses
; qubits by its counter but runs again on a measurement cannot be unrolled,
; and the refusal names the loop and the values
define void @main() #0 {
entry:
  br label %head
head:
  %i = phi i64 [ 0, %entry ], [ %next, %head ]
  %q = inttoptr i64 %i to ptr
  call void @__quantum__qis__mz__body(ptr %q, ptr null)
  %one = call i1 @__quantum__rt__read_result(ptr null)
  %next = add i64 %i, 1
  br i1 %one, label %head, label %done
done:
  ret void
}

declare void @__quantum__qis__mz__body(ptr, ptr)
declare i1 @__quantum__rt__read_result(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
