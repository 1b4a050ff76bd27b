; golden case ignored_instructions
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %a = sext i32 1 to i64
  %b = trunc i64 1 to i32
  %c = ptrtoint i8* null to i64
  %d = insertvalue {i64, i64} undef, i64 1, 0
  %e = extractvalue {i64, i64} %d, 0
  alloca i64
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
