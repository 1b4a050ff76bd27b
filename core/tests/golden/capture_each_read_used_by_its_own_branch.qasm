OPENQASM 3.0;
qubit[2] q;
bit[1] c;
h q[0];
c[0] = measure q[0];
if (c[0]) {
  x q[1];
}
h q[0];
c[0] = measure q[0];
if (c[0]) {
  x q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0"}
