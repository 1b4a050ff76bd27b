; golden case constant_branch_condition
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  br i1 true, label %then, label %done
then:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %done
done:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
