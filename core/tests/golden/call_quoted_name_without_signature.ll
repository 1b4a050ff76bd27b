; golden case call_quoted_name_without_signature
%Qubit = type opaque

define void @main() #0 {
entry:
  call void @"odd\22name"(%Qubit* null)
  ret void
}

declare void @"odd\22named"(%Qubit*)

attributes #0 = { "entry_point" }
