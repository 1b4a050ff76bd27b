; golden case inlined_refusal_at_call_site: a refusal inside an inlined copy
; whose instruction holds only names made by inlining points at the call
define internal i64 @halve(i64 %v) {
entry:
  %h = sdiv i64 %v, 2
  ret i64 %h
}

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %m = call i1 @__quantum__qis__read_result__body(ptr null)
  %z = sext i1 %m to i64
  %half = call i64 @halve(i64 %z)
  ret void
}

declare void @__quantum__qis__mz__body(ptr, ptr writeonly)
declare i1 @__quantum__qis__read_result__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
