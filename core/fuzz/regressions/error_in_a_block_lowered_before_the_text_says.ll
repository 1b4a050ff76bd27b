; expect-error: unsupported LLVM instruction opcode "bogus1" in block "join"
; Blocks written out of dominance order and two failing instructions: the
; error is the first one in the text, whether the body is lowered while it is
; read or after (when it is also lowered in dominance order).
define void @main() #0 {
entry:
  br label %split
join:
  bogus1
  ret void
left:
  br label %join
split:
  bogus2
  br i1 true, label %left, label %join
}

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
