; expect-error: loop at block "block_0" unrolls to more than 250399 statements and iterations, the limit for this input
; The entry block is a loop header copied on trial and then again: its copy must
; be made as the entry once more, with no block to branch from.
define i4 @n()#0{
block_0:
store i 0,%v
%var_105=load ,%a
%=getelementptr ,@0,i
%var_105
br label%block_0
}
attributes#0={entry_point}