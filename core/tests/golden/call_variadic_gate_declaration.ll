; golden case call_variadic_gate_declaration
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void (%Qubit*, ...) @__quantum__qis__h__body(%Qubit* null)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*, ...)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
