; golden case value_from_a_true_branch_written_below_its_use: the block that
; defines a value is reached on a branch's true side and written after the
; block that uses it, so only the order of dominance lowers it first
define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %m = call i1 @__quantum__qis__read_result__body(ptr null)
  br i1 %m, label %def, label %skip
use:
  %two = icmp eq i64 %w, 2
  br i1 %two, label %flip, label %skip
flip:
  call void @__quantum__qis__x__body(ptr null)
  br label %skip
def:
  %w = add i64 1, 1
  br label %use
skip:
  ret void
}

declare void @__quantum__qis__mz__body(ptr, ptr writeonly)
declare i1 @__quantum__qis__read_result__body(ptr)
declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
