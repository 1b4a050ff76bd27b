OPENQASM 3.0;
qubit[2] q;
bit[2] c;
int cint_0 = 0;
int cint_1 = 0;
rx(1.5) q[0];
c[0] = measure q[0];
reset q[0];
if (c[0]) {
  cint_0 = 5;
} else {
  cint_0 = 1;
}
x q[1];
c[1] = measure q[1];
reset q[1];
if (c[1]) {
  cint_1 = cint_0 + 2;
} else {
  cint_1 = 1;
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
