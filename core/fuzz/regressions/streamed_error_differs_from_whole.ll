define void @n()#0{
condb0:
br i1 false,label%condb0,label%
condb0:
}
attributes#0={entry_point}