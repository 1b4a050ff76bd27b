OPENQASM 3.0;
qubit[2] q;
bit[1] c;
int cint_0 = 0;
c[0] = measure q[0];
cint_0 = c[0];
c[0] = measure q[0];
if (cint_0 == 1) {
  x q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0"}
