; golden case value_defined_in_a_block_written_below_its_use
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  br label %define
use:
  %both = and i1 %m, %m
  br i1 %both, label %flip, label %end
define:
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  br label %use
flip:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %end
end:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
