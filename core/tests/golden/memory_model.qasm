OPENQASM 3.0;
qubit[5] q;
bit[2] c;
h q[4];
c[1] = measure q[4];
x q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
