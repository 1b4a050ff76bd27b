; golden case barrier_without_qubits: a barrier on every qubit of a program
; that declares none prints nothing
define void @main() #0 {
entry:
  call void @__quantum__qis__barrier__body()
  %r = call i1 @__quantum__rt__read_result(ptr null)
  br i1 %r, label %then, label %done
then:
  call void @__quantum__qis__barrier__body()
  br label %done
done:
  ret void
}

declare void @__quantum__qis__barrier__body()
declare i1 @__quantum__rt__read_result(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
