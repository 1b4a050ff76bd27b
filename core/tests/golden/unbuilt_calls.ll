; Three declared functions without a builder, one called twice, and a gate
; between them: each is refused, at its first call.
%Qubit = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__foo__body(%Qubit* null)
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__bar__body(%Qubit* null)
  br label %next

next:
  call void @__quantum__qis__foo__body(%Qubit* null)
  call void @__quantum__rt__qubit_allocate()
  ret void
}

declare void @__quantum__qis__foo__body(%Qubit*)
declare void @__quantum__qis__bar__body(%Qubit*)
declare void @__quantum__qis__h__body(%Qubit*)
declare %Qubit* @__quantum__rt__qubit_allocate()

attributes #0 = { "entry_point" }
