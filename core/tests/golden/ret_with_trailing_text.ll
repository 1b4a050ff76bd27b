; golden case ret_with_trailing_text
define void @main() #0 {
entry:
  ret void 0
}
attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
