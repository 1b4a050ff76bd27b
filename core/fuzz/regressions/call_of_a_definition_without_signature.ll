; expect-error: dynamic qubit allocation is not supported: '__quantum__rt__qubit_allocate' allocates or releases qubits at run time; address qubits by constant indices instead (in "f", inlined at line 6)
; The header of @f is read as a definition but yields no signature; the call
; must be decided from the whole module, as it is when the module is read first.
define void @main() #0 {
entry:
  call void @f()
  ret void
}

definex void @f() {
body:
  %q = call ptr @__quantum__rt__qubit_allocate()
  ret void
}

declare ptr @__quantum__rt__qubit_allocate()

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
