; golden case br_with_trailing_text
define void @main() #0 {
entry:
  br label %next garbage
next:
  ret voi
}
attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
