; golden case call_variadic_unknown_function
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void (i64, ...) @my_var(i64 1, %Qubit* null)
  ret void
}

declare void @my_var(i64, ...)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
